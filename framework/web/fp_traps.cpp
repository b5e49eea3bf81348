// WebAssembly arithmetic never traps on floating-point exceptions.
#include "framework/fp_traps.h"

void OrvMaskFloatingPointTraps() {}
