// The third-party files of the external corpus: they load without a bounds
// complaint, and the vertex, face and mapping counts of every mesh equal what
// lib3ds reads.
#include <gtest/gtest.h>

#include <lib3ds/file.h>
#include <lib3ds/mesh.h>

#include <filesystem>
#include <string>

#include "support/corpus.h"
#include "tests/scenefile/load_util.h"

namespace {

TEST(Fixtures, LoadWithoutBoundsComplaintsAndMatchLib3dsCounts)
{
    ORV_CORPUS_OR_SKIP(dir);
    const auto files = SceneFilesIn(dir);
    ASSERT_FALSE(files.empty()) << "no .3ds files in " << dir;
    for (const auto& path : files) {
        SCOPED_TRACE(path.filename().string());
        testing::internal::CaptureStdout();
        OlvarLoad3DS loader(path.c_str());
        const std::string trace = testing::internal::GetCapturedStdout();
        EXPECT_EQ(Occurrences(trace, "Error!"), 0) << trace;
        EXPECT_EQ(trace.rfind("OlvarLoad3DS: Loaded file ", 0), 0u);

        Lib3dsFile* other = lib3ds_file_load(path.c_str());
        ASSERT_NE(other, nullptr);
        int meshes = 0;
        for (Lib3dsMesh* mesh = other->meshes; mesh; mesh = mesh->next, ++meshes) {
            SCOPED_TRACE(mesh->name);
            testing::internal::CaptureStdout();
            loader.Find(mesh->name, true);
            const std::string found = testing::internal::GetCapturedStdout();
            ASSERT_EQ(Occurrences(found, "Find(): Found object "), 1);
            int32_t vertices = -1, faces = -1, texCoords = -1;
            loader.GetVertexCount(vertices);
            loader.GetFaceCount(faces);
            loader.GetTexCoordCount(texCoords);
            EXPECT_EQ(vertices, static_cast<int32_t>(mesh->points));
            EXPECT_EQ(faces, static_cast<int32_t>(mesh->faces));
            EXPECT_EQ(texCoords, static_cast<int32_t>(mesh->texels));
        }
        EXPECT_GT(meshes, 0);
        lib3ds_file_free(other);
    }
}

}  // namespace
