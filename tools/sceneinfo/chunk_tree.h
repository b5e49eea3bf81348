// The chunk tree of a .3DS image, printed one chunk per line: offset, id,
// a short name for known ids, length, and a few details (names, counts),
// indented by depth.
//
// The walk trusts nothing: nesting stops at a fixed depth, and where a chunk
// does not fit what is left of its parent, a line starting "!!" says where the
// tree stops making sense; the part of that chunk that fits is still shown,
// and its parent's span ends there.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

// Prints the tree of `image` to `out`; false when some part of it did not
// make sense (the rest is still printed), with `firstProblem`, when given,
// saying where and what the first such part is.
bool PrintChunkTree(const uint8_t* image, size_t size, FILE* out, std::string* firstProblem = nullptr);
