#pragma once
// Windows only: the real Windows headers, in place of the declarations the Linux layers make.
// The build defines UNICODE, NOMINMAX and WIN32_LEAN_AND_MEAN before anything includes them.
#ifndef _WIN32
#error "platform/win32/windows_api.h is for Windows builds"
#endif
#include <windows.h>

#include <knownfolders.h>
#include <mmsystem.h>
#include <shlobj.h>
