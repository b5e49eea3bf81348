// Entry point on POSIX systems.
#include "app/program.h"
#include "framework/fp_traps.h"

int main(int argc, char** argv)
{
    OrvMaskFloatingPointTraps();
    return OrvProgram(argc, argv);
}
