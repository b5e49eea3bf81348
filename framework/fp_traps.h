// Floating-point traps: the scenes' degenerate arithmetic (a zero-length
// normal, a division by a zero key interval) must give infinities and NaNs,
// never a trap that ends the program.
#pragma once

// Masks every floating-point exception (invalid, denormal, divide by zero,
// overflow, underflow, inexact) on the calling thread; threads started
// afterwards inherit the setting where the system passes it on.
void OrvMaskFloatingPointTraps();
