// Linked into every Windows program: standard input, output and error in
// binary mode before main runs, so a program writes "\n" as on POSIX (the C
// runtime opens them in text mode, which writes "\r\n"). Files opened without
// "b" are binary too, through the runtime's binmode.o.
#include <fcntl.h>
#include <io.h>

#include <cstdio>

namespace {

[[gnu::constructor]] void BinaryStandardStreams()
{
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
}

}  // namespace
