// Scene-file reading side by side: our loader, lib3ds and assimp on the same
// bytes, for every generated scene file, every file of the external corpus of
// third-party files (when there is one) and one large generated grid scene.
// Each reader loads the file and hands out every mesh's vertices, faces and
// mapping coordinates and every node's keys. A fourth figure is the floor:
// reading the file's bytes from the page cache and nothing else.
#include "bench/bench_report.h"
#include "bench/grid_scene.h"
#include "scenefile/loader3ds.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <assimp/Importer.hpp>
#include <assimp/scene.h>
#include <benchmark/benchmark.h>
#include <lib3ds/file.h>
#include <lib3ds/io.h>
#include <lib3ds/mesh.h>
#include <lib3ds/node.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// One scene file under test: its bytes, a path holding the same bytes, and
// the object names our loader is asked to find.
struct Input {
    std::string label;
    std::string path;
    std::vector<uint8_t> bytes;
    std::vector<std::string> objects;
};

// Where the readers take their bytes from: all from memory, or all from the
// (cached) file.
enum class Source { Memory, File };

Source source = Source::Memory;
bool rotationKeys = true;

// Output storage every reader copies into, grown as needed and reused.
struct Scratch {
    std::vector<float> vertices, texCoords, keys, matrices;
    std::vector<uint16_t> faces;
    std::vector<int32_t> frames;
};

template <typename T>
T* Fit(std::vector<T>& v, size_t n)
{
    if (v.size() < n)
        v.resize(n);
    return v.data();
}

// Every object-side and node-side getter for the object `Find` selected:
// each count, then each copy.
void ReadSelection(const OlvarLoader& loader, Scratch& s)
{
    int32_t n = 0;
    if (loader.GetVertexCount(n))
        loader.GetVertices(Fit(s.vertices, 3 * size_t(n)), true);
    if (loader.GetFaceCount(n))
        loader.GetFaces(Fit(s.faces, 3 * size_t(n)));
    if (loader.GetTexCoordCount(n))
        loader.GetTexCoords(Fit(s.texCoords, 2 * size_t(n)));
    float local[12], pivot[3];
    loader.GetLocalMatrix(local);
    loader.GetLocalOrigin(local);
    loader.GetPivot(pivot);
    int32_t start = 0, end = 0;
    loader.GetFrameRange(start, end);
    if (loader.GetPositionKeyCount(n))
        loader.GetPositionKeys(Fit(s.keys, 3 * size_t(n)), Fit(s.frames, size_t(n)));
    if (rotationKeys && loader.GetRotationKeyCount(n))
        loader.GetRotationKeys(Fit(s.matrices, 16 * size_t(n)), Fit(s.frames, size_t(n)));
    benchmark::DoNotOptimize(local);
    benchmark::DoNotOptimize(pivot);
}

// Our loader over the input's bytes: from memory with the trace off, or from
// its file with the trace going to standard output (/dev/null here).
OlvarLoad3DS* OpenOurs(const Input& in)
{
    if (source == Source::File)
        return new OlvarLoad3DS(in.path.c_str());
    return new OlvarLoad3DS(in.bytes.data(), in.bytes.size(), nullptr);
}

// Our reader: load, then Find and read every object.
int OursOnce(const Input& in, Scratch& s)
{
    OlvarLoad3DS* loader = OpenOurs(in);
    int faces = 0;
    for (const std::string& name : in.objects) {
        loader->Find(name.c_str(), true);
        int32_t n = 0;
        if (loader->GetFaceCount(n))
            faces += n;
        ReadSelection(*loader, s);
    }
    delete loader;
    return faces;
}

// lib3ds reads through callbacks; these serve it a byte buffer.
struct MemoryStream {
    const uint8_t* data;
    long size;
    long at;
};

Lib3dsBool StreamError(void*) { return LIB3DS_FALSE; }

long StreamSeek(void* self, long offset, Lib3dsIoSeek origin)
{
    auto* m = static_cast<MemoryStream*>(self);
    const long base = origin == LIB3DS_SEEK_SET ? 0 : origin == LIB3DS_SEEK_CUR ? m->at : m->size;
    if (base + offset < 0 || base + offset > m->size)
        return -1;
    m->at = base + offset;
    return 0;
}

long StreamTell(void* self) { return static_cast<MemoryStream*>(self)->at; }

size_t StreamRead(void* self, void* buffer, size_t size)
{
    auto* m = static_cast<MemoryStream*>(self);
    const size_t n = std::min(size, static_cast<size_t>(m->size - m->at));
    std::memcpy(buffer, m->data + m->at, n);
    m->at += static_cast<long>(n);
    return n;
}

size_t StreamWrite(void*, const void*, size_t) { return 0; }

Lib3dsFile* OpenLib3ds(const Input& in)
{
    if (source == Source::File)
        return lib3ds_file_load(in.path.c_str());
    MemoryStream stream{in.bytes.data(), static_cast<long>(in.bytes.size()), 0};
    Lib3dsIo* io = lib3ds_io_new(&stream, StreamError, StreamSeek, StreamTell, StreamRead, StreamWrite);
    Lib3dsFile* file = lib3ds_file_new();
    if (!lib3ds_file_read(file, io)) {
        lib3ds_file_free(file);
        file = nullptr;
    }
    lib3ds_io_free(io);
    return file;
}

// Copies one lib3ds position track into the scratch keys.
void CopyTrack(const Lib3dsLin3Track& track, Scratch& s)
{
    size_t i = 0;
    for (const Lib3dsLin3Key* k = track.keyL; k; k = k->next, ++i) {
        float* key = Fit(s.keys, 3 * i + 3) + 3 * i;
        std::memcpy(key, k->value, sizeof(float) * 3);
        Fit(s.frames, i + 1)[i] = k->tcb.frame;
    }
}

// Copies the position (and, for objects, rotation) keys of a node tree.
void CopyNodes(const Lib3dsNode* node, Scratch& s)
{
    for (; node; node = node->next) {
        switch (node->type) {
        case LIB3DS_OBJECT_NODE: {
            CopyTrack(node->data.object.pos_track, s);
            size_t i = 0;
            for (const Lib3dsQuatKey* k = node->data.object.rot_track.keyL; k; k = k->next, ++i)
                std::memcpy(Fit(s.matrices, 4 * i + 4) + 4 * i, k->q, sizeof(float) * 4);
            break;
        }
        case LIB3DS_CAMERA_NODE: CopyTrack(node->data.camera.pos_track, s); break;
        case LIB3DS_TARGET_NODE: CopyTrack(node->data.target.pos_track, s); break;
        case LIB3DS_LIGHT_NODE: CopyTrack(node->data.light.pos_track, s); break;
        case LIB3DS_SPOT_NODE: CopyTrack(node->data.spot.pos_track, s); break;
        default: break;
        }
        CopyNodes(node->childs, s);
    }
}

// lib3ds: load, then copy every mesh's lists and every node's keys.
int Lib3dsOnce(const Input& in, Scratch& s)
{
    Lib3dsFile* file = OpenLib3ds(in);
    if (!file)
        return -1;
    int faces = 0;
    for (const Lib3dsMesh* m = file->meshes; m; m = m->next) {
        float* v = Fit(s.vertices, 3 * size_t(m->points));
        for (Lib3dsDword i = 0; i < m->points; ++i)
            std::memcpy(v + 3 * i, m->pointL[i].pos, sizeof(float) * 3);
        uint16_t* f = Fit(s.faces, 3 * size_t(m->faces));
        for (Lib3dsDword i = 0; i < m->faces; ++i)
            std::memcpy(f + 3 * i, m->faceL[i].points, sizeof(uint16_t) * 3);
        float* t = Fit(s.texCoords, 2 * size_t(m->texels));
        for (Lib3dsDword i = 0; i < m->texels; ++i)
            std::memcpy(t + 2 * i, m->texelL[i], sizeof(float) * 2);
        faces += static_cast<int>(m->faces);
    }
    CopyNodes(file->nodes, s);
    lib3ds_file_free(file);
    return faces;
}

// assimp: load with no post-processing, then copy every mesh's lists and
// every animation channel's keys.
int AssimpOnce(Assimp::Importer& importer, const Input& in, Scratch& s)
{
    const aiScene* scene = source == Source::File
        ? importer.ReadFile(in.path, 0)
        : importer.ReadFileFromMemory(in.bytes.data(), in.bytes.size(), 0, "3ds");
    if (!scene)
        return -1;
    int faces = 0;
    for (unsigned m = 0; m < scene->mNumMeshes; ++m) {
        const aiMesh* mesh = scene->mMeshes[m];
        float* v = Fit(s.vertices, 3 * size_t(mesh->mNumVertices));
        for (unsigned i = 0; i < mesh->mNumVertices; ++i)
            std::memcpy(v + 3 * i, &mesh->mVertices[i], sizeof(float) * 3);
        uint16_t* f = Fit(s.faces, 3 * size_t(mesh->mNumFaces));
        for (unsigned i = 0; i < mesh->mNumFaces; ++i)
            for (unsigned c = 0; c < 3 && c < mesh->mFaces[i].mNumIndices; ++c)
                f[3 * i + c] = static_cast<uint16_t>(mesh->mFaces[i].mIndices[c]);
        if (const aiVector3D* uv = mesh->mTextureCoords[0]) {
            float* t = Fit(s.texCoords, 2 * size_t(mesh->mNumVertices));
            for (unsigned i = 0; i < mesh->mNumVertices; ++i) {
                t[2 * i] = uv[i].x;
                t[2 * i + 1] = uv[i].y;
            }
        }
        faces += static_cast<int>(mesh->mNumFaces);
    }
    for (unsigned a = 0; a < scene->mNumAnimations; ++a)
        for (unsigned c = 0; c < scene->mAnimations[a]->mNumChannels; ++c) {
            const aiNodeAnim* ch = scene->mAnimations[a]->mChannels[c];
            for (unsigned i = 0; i < ch->mNumPositionKeys; ++i) {
                std::memcpy(Fit(s.keys, 3 * i + 3) + 3 * i, &ch->mPositionKeys[i].mValue, sizeof(float) * 3);
                Fit(s.frames, i + 1)[i] = static_cast<int32_t>(ch->mPositionKeys[i].mTime);
            }
            for (unsigned i = 0; i < ch->mNumRotationKeys; ++i)
                std::memcpy(Fit(s.matrices, 4 * i + 4) + 4 * i, &ch->mRotationKeys[i].mValue, sizeof(float) * 4);
        }
    importer.FreeScene();
    return faces;
}

// The floor: open the file, size it, read its bytes into a new buffer, close
// it, free the buffer. Nothing any reader of the file can skip.
size_t ReadBytesOnce(const Input& in)
{
    const int fd = open(in.path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return 0;
    struct stat st {};
    size_t got = 0;
    if (fstat(fd, &st) == 0) {
        uint8_t* buffer = new uint8_t[static_cast<size_t>(st.st_size)];
        for (ssize_t n; got < size_t(st.st_size) && (n = read(fd, buffer + got, size_t(st.st_size) - got)) > 0;)
            got += static_cast<size_t>(n);
        benchmark::DoNotOptimize(buffer);
        delete[] buffer;
    }
    close(fd);
    return got;
}

void BenchReadBytes(benchmark::State& state, const Input* in)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(ReadBytesOnce(*in));
}

void BenchOurs(benchmark::State& state, const Input* in)
{
    Scratch s;
    for (auto _ : state) {
        benchmark::DoNotOptimize(OursOnce(*in, s));
        benchmark::ClobberMemory();
    }
}

void BenchLib3ds(benchmark::State& state, const Input* in)
{
    Scratch s;
    for (auto _ : state) {
        benchmark::DoNotOptimize(Lib3dsOnce(*in, s));
        benchmark::ClobberMemory();
    }
}

void BenchAssimp(benchmark::State& state, const Input* in)
{
    Scratch s;
    Assimp::Importer importer;
    for (auto _ : state) {
        benchmark::DoNotOptimize(AssimpOnce(importer, *in, s));
        benchmark::ClobberMemory();
    }
}

std::vector<uint8_t> ReadAll(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

bool IsSceneFile(const fs::path& path)
{
    std::string ext = path.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    return ext == ".3ds";
}

// Every .3ds file of a directory, by name.
std::vector<Input> InputsIn(const fs::path& dir, const std::string& prefix)
{
    std::vector<Input> inputs;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(dir, error))
        if (entry.is_regular_file() && IsSceneFile(entry.path()))
            inputs.push_back({prefix + entry.path().filename().string(), entry.path().string(),
                              ReadAll(entry.path()), {}});
    std::sort(inputs.begin(), inputs.end(), [](const Input& a, const Input& b) { return a.label < b.label; });
    return inputs;
}

// The large scene: four grids of 16 000 faces, written to a scratch file too.
Input LargeInput(const fs::path& scratchDir)
{
    Input in{"generated/grid-64k.3ds", (scratchDir / "grid-64k.3ds").string(),
             bench::GridScene(4, 100, 80), {}};
    std::ofstream(in.path, std::ios::binary)
        .write(reinterpret_cast<const char*>(in.bytes.data()), static_cast<std::streamsize>(in.bytes.size()));
    return in;
}

// Reads our own flags (--data=DIR, --corpus=DIR, --from=memory|file,
// --no-rotation-keys) and leaves the rest to Google Benchmark.
void TakeOwnFlags(int& argc, char** argv, std::string& data, std::string& fixtures)
{
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.rfind("--data=", 0) == 0)
            data = arg.substr(7);
        else if (arg.rfind("--corpus=", 0) == 0)
            fixtures = arg.substr(9);
        else if (arg == "--from=memory")
            source = Source::Memory;
        else if (arg == "--from=file")
            source = Source::File;
        else if (arg == "--no-rotation-keys")
            rotationKeys = false;
        else
            argv[kept++] = argv[i];
    }
    argc = kept;
}

std::string Micro(const bench::Figure* f)
{
    std::ostringstream s;
    if (f)
        s << std::fixed << std::setprecision(f->nanoseconds < 1e5 ? 2 : 0) << f->nanoseconds / 1000.0;
    else
        s << "-";
    return s.str();
}

std::string Ratio(const bench::Figure* theirs, const bench::Figure* ours)
{
    std::ostringstream s;
    if (theirs && ours && ours->nanoseconds > 0)
        s << std::fixed << std::setprecision(1) << theirs->nanoseconds / ours->nanoseconds << "x";
    else
        s << "-";
    return s.str();
}

// Our time over the faster of the other two readers' (how many times faster).
std::string Lead(const bench::Figure* lib3ds, const bench::Figure* assimp, const bench::Figure* ours)
{
    const bench::Figure* faster = !lib3ds ? assimp : !assimp ? lib3ds
                                  : lib3ds->nanoseconds < assimp->nanoseconds ? lib3ds : assimp;
    return Ratio(faster, ours);
}

// The summary: per file, the three readers' time per load in microseconds,
// the floor of reading the bytes, our speed-up over the faster other reader,
// our time over the floor, and the face count each reader saw.
void PrintTable(std::ostream& out, const std::vector<Input>& inputs, const bench::KeepingReporter& rep)
{
    out << "\nScene-file reading, CPU microseconds per file (load + every mesh and key read out), from "
        << (source == Source::Memory ? "memory" : "cached files") << "; our rotation keys "
        << (rotationKeys ? "included" : "skipped") << "; read bytes = open, read and close the cached file\n\n";
    out << "| file | bytes | faces (ours/lib3ds/assimp) | ours µs | lib3ds µs | assimp µs | read bytes µs | "
           "ours vs faster other | ours / read bytes |\n";
    out << "|---|---:|---:|---:|---:|---:|---:|---:|---:|\n";
    for (const Input& in : inputs) {
        const auto* ours = rep.Find("read/" + in.label + "/ours");
        const auto* lib3ds = rep.Find("read/" + in.label + "/lib3ds");
        const auto* assimp = rep.Find("read/" + in.label + "/assimp");
        const auto* bytes = rep.Find("read/" + in.label + "/bytes");
        if (!ours && !lib3ds && !assimp)
            continue;
        Scratch s;
        Assimp::Importer importer;
        std::ostringstream floor;
        if (ours && bytes && bytes->nanoseconds > 0)
            floor << std::fixed << std::setprecision(2) << ours->nanoseconds / bytes->nanoseconds;
        else
            floor << "-";
        out << "| " << in.label << " | " << in.bytes.size() << " | " << OursOnce(in, s) << "/"
            << Lib3dsOnce(in, s) << "/" << AssimpOnce(importer, in, s) << " | " << Micro(ours) << " | "
            << Micro(lib3ds) << " | " << Micro(assimp) << " | " << Micro(bytes) << " | "
            << Lead(lib3ds, assimp, ours) << " | " << floor.str() << " |\n";
    }
    out.flush();
}

// The external corpus of third-party files: $ORV_3DS_CORPUS, else the
// directory configured at build time; empty when neither exists.
std::string CorpusDir(const std::string& configured)
{
    std::error_code error;
    if (const char* env = std::getenv("ORV_3DS_CORPUS"); env && *env)
        return fs::is_directory(env, error) ? env : "";
    return fs::is_directory(configured, error) ? configured : "";
}

}  // namespace

int main(int argc, char** argv)
{
    bench::QuietStdout quiet(argc, argv);
    std::string data = ORV_DATA_DIR, fixtures = CorpusDir(ORV_FIXTURES_DIR);
    TakeOwnFlags(argc, argv, data, fixtures);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;

    const fs::path scratchDir = fs::temp_directory_path() / ("orv-bench-" + std::to_string(getpid()));
    fs::create_directories(scratchDir);
    std::vector<Input> inputs = InputsIn(data, "data/");
    if (fixtures.empty())
        quiet.Out() << "No third-party corpus (set ORV_3DS_CORPUS=DIR or pass --corpus=DIR): generated files only\n";
    std::vector<Input> fixtureInputs = fixtures.empty() ? std::vector<Input>{} : InputsIn(fixtures, "fixtures/");
    inputs.insert(inputs.end(), fixtureInputs.begin(), fixtureInputs.end());
    inputs.push_back(LargeInput(scratchDir));
    for (Input& in : inputs) {
        in.objects = bench::ObjectNames(in.bytes);
        benchmark::RegisterBenchmark(("read/" + in.label + "/ours").c_str(), BenchOurs, &in)
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark(("read/" + in.label + "/lib3ds").c_str(), BenchLib3ds, &in)
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark(("read/" + in.label + "/assimp").c_str(), BenchAssimp, &in)
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark(("read/" + in.label + "/bytes").c_str(), BenchReadBytes, &in)
            ->Unit(benchmark::kMicrosecond);
    }

    auto reporter = bench::RunAll(quiet.Out());
    if (!reporter->Empty())
        PrintTable(quiet.Out(), inputs, *reporter);
    fs::remove_all(scratchDir);
    benchmark::Shutdown();
    return 0;
}
