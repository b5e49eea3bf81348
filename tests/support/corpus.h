// The external corpus of third-party .3ds files, which the repository does
// not hold. Tests that read it look in $ORV_3DS_CORPUS (read when the test
// runs), else in ../shared/fixtures/3ds beside the source tree, and skip with
// a message saying how to point at it when neither is a directory.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

// The corpus directory, or empty when there is none.
inline std::string Corpus3dsDir()
{
    std::error_code error;
    if (const char* env = std::getenv("ORV_3DS_CORPUS"); env && *env)
        return std::filesystem::is_directory(env, error) ? env : "";
    const std::filesystem::path beside = std::filesystem::path(ORV_SOURCE_DIR) / ".." / "shared" / "fixtures" / "3ds";
    return std::filesystem::is_directory(beside, error) ? beside.lexically_normal().string() : "";
}

inline std::string NoCorpusMessage()
{
    const char* env = std::getenv("ORV_3DS_CORPUS");
    return std::string("no third-party .3ds corpus: ") +
           (env && *env ? "ORV_3DS_CORPUS=" + std::string(env) + " is not a directory"
                        : "ORV_3DS_CORPUS is unset and " ORV_SOURCE_DIR "/../shared/fixtures/3ds does not exist") +
           "; set ORV_3DS_CORPUS=DIR to run this test";
}

// Every .3ds file (any case of the extension) in `dir`, sorted by name.
inline std::vector<std::filesystem::path> SceneFilesIn(const std::string& dir)
{
    std::vector<std::filesystem::path> files;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(dir, error)) {
        std::string ext = entry.path().extension().string();
        std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
        if (entry.is_regular_file() && ext == ".3ds")
            files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

// Declares `dir` as the corpus directory, or skips the test when there is none.
#define ORV_CORPUS_OR_SKIP(dir)                 \
    const std::string dir = Corpus3dsDir();     \
    if (dir.empty())                            \
    GTEST_SKIP() << NoCorpusMessage()
