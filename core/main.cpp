// Program entry on Linux: the window layer runs the Windows-style entry point.
#include "core/startup.h"
#include "platform/win32/entry.h"

int main()
{
    return zyn::gf_runWinMain(zyn::wWinMain);
}
