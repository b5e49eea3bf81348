// Entry point: hands the arguments after the program name, joined with blanks, to DemoMain.
#include <fenv.h>

#include <string>

#include "app/demo_main.h"

int main(int argc, char** argv)
{
    // Degenerate arithmetic in the scenes must give infinities and NaNs, never a trap.
    fedisableexcept(FE_ALL_EXCEPT);
    std::string tail = OrvJoinArguments(argc, argv);
    return DemoMain(tail.c_str());
}
