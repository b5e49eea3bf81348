#include "show/show.h"

bool OrvShow::Step(int32_t ticks)
{
    if (Ended())
        return false;
    OrvScheduleEntry& entry = entries[position];
    entry.draw(ticks);
    if (ticks <= entry.limit)
        return false;
    ++position;
    if (entry.leave)
        entry.leave();
    return true;
}
