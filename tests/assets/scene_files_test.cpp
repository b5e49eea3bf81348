// The scene files as other readers see them: lib3ds, assimp and our own loader
// must all find the meshes, counts and cameras the generator meant to write.
#include <gtest/gtest.h>
#include <lib3ds/camera.h>
#include <lib3ds/file.h>
#include <lib3ds/mesh.h>
#include <lib3ds/node.h>

#include <assimp/Importer.hpp>
#include <assimp/scene.h>

#include <cmath>
#include <map>
#include <memory>
#include <set>
#include <string>

#include "generated.h"
#include "render/keyframer.h"
#include "render/object.h"
#include "scenefile/loader3ds.h"

namespace {

using assettest::GeneratedDir;
using assettest::SceneCase;
using assettest::SceneCases;

// The names each scene builds meshes and keyframers from, and the keys its camera needs.
struct SceneNames {
    const char* file;
    std::vector<std::string> meshes;
    std::vector<std::string> nodes;
    int keyCount;  // position keys every node must have (1 for a still node)
};

std::vector<std::string> Numbered(const char* stem, std::initializer_list<int> numbers)
{
    std::vector<std::string> names;
    for (int n : numbers) {
        char name[32];
        std::snprintf(name, sizeof name, "%s%02d", stem, n);
        names.push_back(name);
    }
    return names;
}

std::vector<SceneNames> AskedNames()
{
    std::vector<std::string> kylpyla = {"Box01", "Box02", "Box03"};
    for (const auto& n : Numbered("Cylinder", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13}))
        kylpyla.push_back(n);
    for (const char* n : {"Fisu1", "Fisu02", "Fisu03", "Fisu04", "Cylinder14"})
        kylpyla.push_back(n);
    std::vector<std::string> kaupunki = Numbered("Box", {1, 2, 3, 4, 5, 6, 7, 8, 9, 11, 12, 13, 14, 17, 18, 19, 20});
    kaupunki.push_back("Cylinder01");
    kaupunki.push_back("Cylinder02");
    return {{"tunneli.3ds", {"Loft01"}, {"Camera01", "Camera01.target"}, 541},
            {"kylpyla.3ds", kylpyla, {"Camera01", "Camera01.target", "Spot01", "Spot01.target"}, 841},
            {"insane.3ds", {"Knot01"}, {}, 1},
            {"kaupunki.3ds", kaupunki, {"Camera01", "Camera01.T.target"}, 841},
            {"womb.3ds", {"GeoSphere0"}, {}, 1}};
}

class SceneFile : public ::testing::TestWithParam<SceneCase> {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(GeneratedDir().empty());
        path = GeneratedDir() + "/" + GetParam().file;
        scene = GetParam().make();
    }
    std::string path;
    assetgen::SceneDef scene;
};

TEST_P(SceneFile, Lib3dsReadsTheSameMeshesNodesAndCameras)
{
    std::unique_ptr<Lib3dsFile, void (*)(Lib3dsFile*)> file(lib3ds_file_load(path.c_str()), lib3ds_file_free);
    ASSERT_NE(file, nullptr);
    std::map<std::string, const Lib3dsMesh*> meshes;
    for (const Lib3dsMesh* m = file->meshes; m; m = m->next)
        meshes[m->name] = m;
    ASSERT_EQ(meshes.size(), scene.meshes.size());
    for (const assetgen::Mesh& want : scene.meshes) {
        SCOPED_TRACE(want.name);
        ASSERT_EQ(meshes.count(want.name), 1u);
        const Lib3dsMesh* got = meshes[want.name];
        EXPECT_EQ(got->points, want.vertices.size());
        EXPECT_EQ(got->faces, want.faces.size());
        EXPECT_EQ(got->texels, want.vertices.size());
        const Lib3dsNode* node = lib3ds_file_node_by_name(file.get(), want.name.c_str(), LIB3DS_OBJECT_NODE);
        ASSERT_NE(node, nullptr);
        ASSERT_NE(node->data.object.pos_track.keyL, nullptr);
        EXPECT_NEAR(node->data.object.pos_track.keyL->value[0], want.origin.x, 1e-3);
        EXPECT_NEAR(node->data.object.pos_track.keyL->value[2], want.origin.z, 1e-3);
    }
    std::set<std::string> cameras;
    for (const Lib3dsCamera* c = file->cameras; c; c = c->next)
        cameras.insert(c->name);
    std::set<std::string> wanted;
    for (const assetgen::CameraDef& c : scene.cameras) {
        wanted.insert(c.name);
        EXPECT_NE(lib3ds_file_node_by_name(file.get(), c.name.c_str(), LIB3DS_CAMERA_NODE), nullptr);
        EXPECT_NE(lib3ds_file_node_by_name(file.get(), c.targetNodeName.c_str(), LIB3DS_TARGET_NODE), nullptr);
    }
    EXPECT_EQ(cameras, wanted);
    EXPECT_EQ(file->segment_to, static_cast<int>(scene.lastFrame));
}

// Faces below `node` that belong to meshes, by node name.
void CountFaces(const aiScene* s, const aiNode* node, std::map<std::string, unsigned>& faces)
{
    for (unsigned i = 0; i < node->mNumMeshes; ++i)
        faces[node->mName.C_Str()] += s->mMeshes[node->mMeshes[i]]->mNumFaces;
    for (unsigned i = 0; i < node->mNumChildren; ++i)
        CountFaces(s, node->mChildren[i], faces);
}

TEST_P(SceneFile, AssimpReadsTheSameMeshesAndCameras)
{
    Assimp::Importer importer;
    const aiScene* s = importer.ReadFile(path, 0);
    ASSERT_NE(s, nullptr) << importer.GetErrorString();
    EXPECT_EQ(s->mFlags & AI_SCENE_FLAGS_INCOMPLETE, 0u);
    std::map<std::string, unsigned> faces;
    CountFaces(s, s->mRootNode, faces);
    for (const assetgen::Mesh& want : scene.meshes) {
        SCOPED_TRACE(want.name);
        EXPECT_EQ(faces[want.name], want.faces.size());
        const aiNode* node = s->mRootNode->FindNode(want.name.c_str());
        ASSERT_NE(node, nullptr);
        unsigned vertices = 0;
        for (unsigned i = 0; i < node->mNumMeshes; ++i) {
            const aiMesh* m = s->mMeshes[node->mMeshes[i]];
            vertices += m->mNumVertices;
            EXPECT_TRUE(m->HasTextureCoords(0));
        }
        // assimp gives every face corner a vertex of its own.
        EXPECT_EQ(vertices, 3 * want.faces.size());
    }
    std::set<std::string> cameras, wanted;
    for (unsigned i = 0; i < s->mNumCameras; ++i)
        cameras.insert(s->mCameras[i]->mName.C_Str());
    for (const assetgen::CameraDef& c : scene.cameras)
        wanted.insert(c.name);
    EXPECT_EQ(cameras, wanted);
}

TEST_P(SceneFile, OwnLoaderBuildsEveryMeshAndKeyframerTheSceneAsksFor)
{
    const SceneNames* names = nullptr;
    static const std::vector<SceneNames> all = AskedNames();
    for (const SceneNames& n : all)
        if (std::string(n.file) == GetParam().file)
            names = &n;
    ASSERT_NE(names, nullptr);
    const std::vector<uint8_t> bytes = assettest::ReadFile(path);
    OlvarLoad3DS loader(bytes.data(), bytes.size(), nullptr);
    std::map<std::string, const assetgen::Mesh*> byName;
    for (const assetgen::Mesh& m : scene.meshes)
        byName[m.name] = &m;
    ASSERT_EQ(byName.size(), names->meshes.size());
    for (const std::string& name : names->meshes) {
        SCOPED_TRACE(name);
        ASSERT_EQ(byName.count(name), 1u);
        ASSERT_TRUE(loader.Find(name.c_str(), true));
        ::testing::internal::CaptureStdout();
        OlvarObject object(&loader, name.c_str(), true);
        const std::string warnings = ::testing::internal::GetCapturedStdout();
        EXPECT_EQ(warnings.find("WARNING"), std::string::npos) << warnings;
        EXPECT_EQ(object.VertexCount(), static_cast<int32_t>(byName[name]->vertices.size()));
        EXPECT_EQ(object.FaceCount(), static_cast<int32_t>(byName[name]->faces.size()));
        EXPECT_EQ(object.Format(), static_cast<GLenum>(GL_T2F_N3F_V3F));
        EXPECT_NEAR(object.Position()[1], byName[name]->origin.y, 1e-3);
        OlvarKeyframer node(&loader, name.c_str(), true);
        EXPECT_EQ(node.KeyCount(), 1);
    }
    for (const std::string& name : names->nodes) {
        SCOPED_TRACE(name);
        OlvarKeyframer node(&loader, name.c_str(), true);
        EXPECT_EQ(node.KeyCount(), names->keyCount);
        ASSERT_NE(node.GetPosition(names->keyCount - 1), nullptr);
    }
}

TEST_P(SceneFile, EyeAndTargetKeysReadBackAsWritten)
{
    const std::vector<uint8_t> bytes = assettest::ReadFile(path);
    OlvarLoad3DS loader(bytes.data(), bytes.size(), nullptr);
    for (const assetgen::CameraDef& c : scene.cameras) {
        OlvarKeyframer eye(&loader, c.name.c_str(), true);
        OlvarKeyframer target(&loader, (c.targetNodeName + ".target").c_str(), true);
        for (size_t f = 0; f < c.eyeKeys.size(); f += 37) {
            // The show asks for frame f + 1 to get the key of frame f.
            const float* e = eye.GetPosition(static_cast<int32_t>(f + 1));
            const float* t = target.GetPosition(static_cast<int32_t>(f + 1));
            ASSERT_TRUE(e && t);
            EXPECT_FLOAT_EQ(e[0], c.eyeKeys[f].x);
            EXPECT_FLOAT_EQ(e[2], c.eyeKeys[f].z);
            EXPECT_FLOAT_EQ(t[1], c.targetKeys[f].y);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(AllScenes, SceneFile, ::testing::ValuesIn(SceneCases()),
                         [](const ::testing::TestParamInfo<SceneCase>& info) {
                             std::string name = info.param.file;
                             return name.substr(0, name.find('.'));
                         });

}  // namespace
