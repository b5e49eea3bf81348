#include "framework/fp_traps.h"

#include <fenv.h>

void OrvMaskFloatingPointTraps() { fedisableexcept(FE_ALL_EXCEPT); }
