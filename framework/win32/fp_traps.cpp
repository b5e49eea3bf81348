// On Windows the C runtime's control word covers the x87 unit and SSE alike:
// all six exception mask bits set, rounding and precision left as they are.
#include "framework/fp_traps.h"

#include <float.h>

void OrvMaskFloatingPointTraps() { _controlfp(_MCW_EM, _MCW_EM); }
