// Entry point: hands the arguments after the program name, joined with blanks, to DemoMain.
#include <string>

#include "app/demo_main.h"

int main(int argc, char** argv)
{
    std::string tail = OrvJoinArguments(argc, argv);
    return DemoMain(tail.c_str());
}
