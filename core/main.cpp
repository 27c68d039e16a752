// Program entry: on Windows the system calls wWinMain; on Linux the window layer runs it.
#include "core/startup.h"

#ifdef _WIN32

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, PWSTR commandLine, int show)
{
    return zyn::wWinMain(instance, previous, commandLine, show);
}

#else

#include "platform/win32/entry.h"

int main()
{
    return zyn::gf_runWinMain(zyn::wWinMain);
}

#endif
