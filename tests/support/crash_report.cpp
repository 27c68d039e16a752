// A crash of the test program on Windows ends it at once, naming the test, the exception and the
// addresses on the crashed thread's stack (x86_64-w64-mingw32-addr2line -f -C -e tarvo_tests.exe ...
// names them): Wine would otherwise start its debugger, which waits for good on a machine without a user.
#ifdef _WIN32
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>

namespace zyn::test {

namespace {

void lf_write(const char* text, int length)
{
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), text, static_cast<DWORD>(length > 0 ? length : 0), &written, nullptr);
}

// Runs on the crashed thread, perhaps over a damaged heap: buffers on the stack, written straight out.
LONG WINAPI lf_reportCrash(EXCEPTION_POINTERS* exception)
{
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    char text[512];
    lf_write(text, std::snprintf(text, sizeof text, "\nCRASHED in %s.%s: exception 0x%08lx at %p; the stack:",
                                 test ? test->test_suite_name() : "(between tests)", test ? test->name() : "",
                                 exception->ExceptionRecord->ExceptionCode,
                                 exception->ExceptionRecord->ExceptionAddress));
    void* frames[40];
    const USHORT count = RtlCaptureStackBackTrace(0, 40, frames, nullptr);
    for (USHORT i = 0; i < count; ++i)
        lf_write(text, std::snprintf(text, sizeof text, " %p", frames[i]));
    lf_write("\n", 1);
    TerminateProcess(GetCurrentProcess(), 3);
    return EXCEPTION_EXECUTE_HANDLER;
}

const bool g_crashReportInstalled = [] {
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    SetUnhandledExceptionFilter(lf_reportCrash);
    return true;
}();

} // namespace

} // namespace zyn::test
#endif
