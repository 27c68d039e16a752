// A click in an edit box places the caret by the widths of its text: keep its cost in step with the
// text's length (a box takes up to 32,767 characters).
#include "platform/win32/testing.h"
#include "platform/win32/window.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

void BM_ClickInEditBox(benchmark::State& state)
{
    const HWND box = CreateWindowExW(0, u"EDIT", u"", WS_VISIBLE, 0, 0, 200, 20, nullptr, nullptr, nullptr, nullptr);
    SetWindowTextW(box, std::u16string(static_cast<std::size_t>(state.range(0)), u'w').c_str());
    for (auto _ : state)
        benchmark::DoNotOptimize(zyn::win32test::click(box));
    DestroyWindow(box);
}
BENCHMARK(BM_ClickInEditBox)->Arg(1000)->Arg(16000)->Unit(benchmark::kMillisecond);

} // namespace
