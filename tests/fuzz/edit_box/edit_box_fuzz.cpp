// An edit box fed keys and text pasted from the X clipboard (any program may own it): the first byte
// of each step picks the action, text steps paste the bytes up to the next 0xFF as UTF-8. The caret
// and selection stay within the text, which never holds a control character.
#include "platform/system/utf16.h"
#include "platform/win32/edit_text.h"
#include "tests/fuzz/support/fuzz_support.h"

#include <stdexcept>

using namespace zyn::window_layer;

namespace {

void lf_check(const EditText& edit)
{
    if (edit.caret > edit.text.size() || edit.anchor > edit.text.size())
        __builtin_trap();
    for (const char16_t c : edit.text)
        if (c < 0x20 || c == 0x7F)
            __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input = zyn::fuzz::asText(data, size);
    EditText edit;
    for (std::size_t at = 0; at < input.size();) {
        const auto step = static_cast<unsigned char>(input[at++]);
        if (step < 12) {
            gf_editKey(edit, static_cast<EditKey>(step % 6), step >= 6);
        } else if (step == 12) {
            gf_editSelectAll(edit);
        } else {
            const std::size_t end = std::min(input.find('\xFF', at), input.size());
            try {
                gf_editInsert(edit, zyn::gf_platformToUtf16(input.substr(at, end - at)));
            } catch (const std::range_error&) {
                // not UTF-8: the display layer pastes nothing
            }
            at = end + (end < input.size());
        }
        lf_check(edit);
    }
    return 0;
}
