#include "platform/system/timer.h"

MMRESULT timeBeginPeriod(UINT) { return TIMERR_NOERROR; }

MMRESULT timeEndPeriod(UINT) { return TIMERR_NOERROR; }
