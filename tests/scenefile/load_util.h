// Helpers for the scene-file tests: loading images with the trace captured.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "scenefile/loader3ds.h"
#include "support/chunk_builder.h"

struct Loaded {
    std::unique_ptr<OlvarLoad3DS> loader;
    std::string trace;
};

inline Loaded LoadBytes(const std::vector<uint8_t>& bytes)
{
    Loaded loaded;
    testing::internal::CaptureStdout();
    loaded.loader = std::make_unique<OlvarLoad3DS>(bytes.data(), bytes.size());
    loaded.trace = testing::internal::GetCapturedStdout();
    return loaded;
}

// Runs Find and returns its trace; the result goes to `found`.
inline std::string FindTraced(OlvarLoad3DS& loader, const char* name, bool useParentKeys, bool& found)
{
    testing::internal::CaptureStdout();
    found = loader.Find(name, useParentKeys);
    return testing::internal::GetCapturedStdout();
}

inline int Occurrences(const std::string& text, const std::string& what)
{
    int n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

// MAIN { `section` { ... } } around the chunks `body` adds.
template <typename Body>
std::vector<uint8_t> MainFileWith(uint16_t section, Body body)
{
    ChunkBuilder b;
    b.Open(chunk::MAIN).Open(section);
    body(b);
    b.Close().Close();
    return b.Bytes();
}

// MAIN { EDITOR { ... } } around the chunks `body` adds.
template <typename Body>
std::vector<uint8_t> EditorFile(Body body) { return MainFileWith(chunk::EDITOR, body); }

// MAIN { KEYFRAMER { ... } } around the chunks `body` adds.
template <typename Body>
std::vector<uint8_t> KeyframerFile(Body body) { return MainFileWith(chunk::KEYFRAMER, body); }
