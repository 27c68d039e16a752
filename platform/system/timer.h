#pragma once
// Timer resolution: Linux sleeps are fine-grained already, so these only answer success.
#ifdef _WIN32
#include "platform/win32/windows_api.h"
#else
#include "platform/win32/types.h"

using MMRESULT = UINT;
inline constexpr MMRESULT TIMERR_NOERROR = 0;

MMRESULT timeBeginPeriod(UINT period);
MMRESULT timeEndPeriod(UINT period);
#endif
