// ChunkBuilder: the tests' name for the project's one .3DS chunk writer.
//
// Tests build their scene images in memory with it, well-formed or broken on
// purpose (RawChunk, SetU32); see scenefile/chunk_writer.h.
#pragma once

#include "scenefile/chunk_ids.h"
#include "scenefile/chunk_writer.h"

using ChunkBuilder = ChunkWriter;

// An id that no tool assigns: the reader skips such a chunk whole.
inline constexpr uint16_t kUnknownChunk = 0x7777;
