// The show's millisecond clock on Windows: timeGetTime at a 1 ms period.
//
// GetTickCount advances in steps of the system tick (about 15.6 ms on most
// machines), which would make 30-a-second show ticks uneven; timeGetTime after
// timeBeginPeriod(1) counts every millisecond. It is a 32-bit counter that
// wraps after 49.7 days, which the timer's 32-bit arithmetic absorbs.
#include "framework/timer.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <mmsystem.h>

uint32_t OrvMonotonicMilliseconds()
{
    // Asked once for the process; Windows ends the request when the process does.
    static const bool fine = timeBeginPeriod(1) == TIMERR_NOERROR;
    (void)fine;
    return timeGetTime();
}
