// OrvReadDataFile: reads one of the show's data files whole, safely.
//
// A data file is taken only when, after following links, it is a regular file
// no larger than the cap: a FIFO, a device, a directory or an endless file is
// refused at once, never opened for a blocking read. The file is opened
// non-blocking and checked with fstat on the same descriptor, so it cannot be
// swapped between the check and the read.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// Largest data file the show reads: far above any real texture, scene or module.
constexpr size_t OrvDataFileCap = 64u << 20;

// Fills `bytes` with the file's contents. On failure returns false and sets
// `why` to the reason in words ("No such file or directory", "is a FIFO, not
// a regular file", "is 2147483647 bytes, over the 64 MB limit for a data file").
bool OrvReadDataFile(const std::string& path, std::vector<char>* bytes, std::string* why,
                     size_t cap = OrvDataFileCap);
