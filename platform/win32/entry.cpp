#include "platform/win32/entry.h"

#include "platform/system/process.h"
#include "platform/win32/close_signals.h"
#include "platform/win32/constants.h"
#include "platform/win32/display.h"

namespace zyn {

int gf_runWinMain(WinMainFunction winMain)
{
    const bool closeOnSignals = gf_startCloseOnSignals();
    const bool shown = gf_showOnDisplay();
    WCHAR noArguments[1] = {u'\0'};
    const int code = winMain(GetModuleHandleW(nullptr), nullptr, noArguments, SW_SHOWDEFAULT);
    if (shown)
        gf_stopShowing();
    if (closeOnSignals)
        gf_stopCloseOnSignals();
    return code;
}

} // namespace zyn
