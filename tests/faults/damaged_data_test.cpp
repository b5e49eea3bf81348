// Damaged and missing data: each data file of the show, cut short at chosen
// points and with bytes flipped, is put in a data directory beside the intact
// others; all six scenes must still construct and draw. Each file's variants
// run in a fresh child process (this program started again: a forked copy
// could not render once the parent has used GL), so a crash names the
// variant that caused it. Files that are no scene file, and a module cut
// short, are given to the program itself: each gets one line on stderr.
#include <gtest/gtest.h>
#include <GL/gl.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "framework/music_wav.h"
#include "framework/offscreen.h"
#include "framework/timer.h"
#include "scenefile/chunk_ids.h"
#include "show/scene_set.h"
#include "show/show.h"
#include "support/files.h"
#include "support/play_show.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct Variant {
    std::string name;
    Bytes bytes;
};

Bytes ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const std::string& path, const Bytes& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

bool EndsWith(const std::string& s, const char* tail)
{
    const std::string t = tail;
    return s.size() >= t.size() && s.compare(s.size() - t.size(), t.size(), t) == 0;
}

// The show's files in the data directory (anything else a run may have left there is not data).
std::vector<std::string> DataFiles()
{
    std::vector<std::string> files;
    for (const std::string& name : DirectoryEntries(ORV_DATA_DIR))
        if (EndsWith(name, ".3ds") || EndsWith(name, ".bmp") || EndsWith(name, ".xm"))
            files.push_back(name);
    return files;
}

uint16_t U16(const Bytes& b, size_t at) { return static_cast<uint16_t>(b[at] | b[at + 1] << 8); }
uint32_t U32(const Bytes& b, size_t at) { return U16(b, at) | uint32_t(U16(b, at + 2)) << 16; }

// Chunks whose body holds further chunks (the object chunk after its name).
bool IsContainer(uint16_t id)
{
    switch (id) {
    case chunk::MAIN: case chunk::EDITOR: case chunk::OBJECT: case chunk::TRIMESH: case chunk::KEYFRAMER:
    case chunk::OBJECT_NODE: case chunk::CAMERA_NODE: case chunk::CAMERA_TARGET_NODE:
    case chunk::LIGHT_TARGET_NODE: case chunk::SPOTLIGHT_NODE:
        return true;
    default:
        return false;
    }
}

// Offsets of every chunk header reached from `begin` to `end`, depth first.
void ChunkOffsets(const Bytes& b, size_t begin, size_t end, std::vector<size_t>& out)
{
    for (size_t at = begin; at + 6 <= end;) {
        const uint32_t length = U32(b, at + 2);
        if (length < 6 || length > end - at)
            return;
        out.push_back(at);
        const uint16_t id = U16(b, at);
        if (IsContainer(id)) {
            size_t body = at + 6;
            if (id == chunk::OBJECT)
                while (body < at + length && b[body++] != 0) {
                }
            ChunkOffsets(b, body, at + length, out);
        }
        at += length;
    }
}

// Up to `count` values spread evenly over the sorted, distinct `points`.
std::vector<size_t> Spread(std::vector<size_t> points, size_t count)
{
    std::sort(points.begin(), points.end());
    points.erase(std::unique(points.begin(), points.end()), points.end());
    if (points.size() <= count)
        return points;
    std::vector<size_t> picked;
    for (size_t i = 0; i < count; ++i)
        picked.push_back(points[i * (points.size() - 1) / (count - 1)]);
    return picked;
}

// Where to cut and which bytes matter most: header fields, chunk headers and
// the counts that open chunk bodies, the middle of arrays.
void Landmarks(const std::string& name, const Bytes& b, std::vector<size_t>& cuts, std::vector<size_t>& hot)
{
    if (EndsWith(name, ".bmp")) {
        cuts = {0, 18, 22, 26, 28, 30, 53, 54, 54 + (b.size() - 54) / 2, b.size() - 1};
        for (size_t i = 18; i < 30; ++i)
            hot.push_back(i);
        return;
    }
    if (EndsWith(name, ".3ds")) {
        std::vector<size_t> chunks;
        ChunkOffsets(b, 0, b.size(), chunks);
        for (size_t at : chunks) {
            const size_t end = std::min<size_t>(at + U32(b, at + 2), b.size());
            for (size_t p : {at, at + 2, at + 6, at + 8, (at + 6 + end) / 2, end - 1})
                cuts.push_back(p);
            for (size_t i = at; i < std::min(at + 8, b.size()); ++i)
                hot.push_back(i);
        }
        cuts = Spread(cuts, 16);
        return;
    }
    // The music module: its header fields, then pattern and instrument data.
    cuts = Spread({0, 17, 37, 38, 58, 60, 64, 68, 70, 76, 80, 200, 336, b.size() / 4, b.size() / 2,
                   b.size() - 1},
                  16);
    for (size_t i = 58; i < std::min<size_t>(336, b.size()); ++i)
        hot.push_back(i);
}

// The damaged versions of one file: cuts at the landmarks, then seeded flips
// of 1 to 8 bytes, half of them aimed at the landmark bytes.
std::vector<Variant> Variants(const std::string& name, const Bytes& intact)
{
    std::vector<size_t> cuts, hot;
    Landmarks(name, intact, cuts, hot);
    std::vector<Variant> out;
    for (size_t cut : cuts)
        if (cut < intact.size())
            out.push_back({"cut at " + std::to_string(cut), Bytes(intact.begin(), intact.begin() + cut)});
    std::mt19937 random(static_cast<uint32_t>(std::hash<std::string>{}(name) & 0xFFFFFFFF));
    const int flips = EndsWith(name, ".bmp") ? 4 : 12;
    for (int v = 0; v < flips; ++v) {
        Variant flipped{"flips", intact};
        const int count = 1 + static_cast<int>(random() % 8);
        for (int i = 0; i < count; ++i) {
            const bool aimed = !hot.empty() && v % 2 == 0;
            const size_t at = aimed ? hot[random() % hot.size()] : random() % intact.size();
            const uint8_t mask = static_cast<uint8_t>(1 + random() % 255);
            flipped.bytes[at] ^= mask;
            // Appended piece by piece: GCC 12 warns (-Wrestrict) about " " + std::string.
            flipped.name.append(1, ' ').append(std::to_string(at)).append(1, '^').append(std::to_string(mask));
        }
        out.push_back(std::move(flipped));
    }
    return out;
}

// FNV-1a over the colour buffer, to tell whether the damage changed a picture.
uint64_t PictureHash(const OrvOffscreen& gl, uint64_t hash)
{
    std::vector<unsigned char> rgb(static_cast<size_t>(gl.Width()) * gl.Height() * 3);
    gl.ReadRGB(rgb.data());
    for (unsigned char c : rgb)
        hash = (hash ^ c) * 1099511628211ull;
    return hash;
}

// One scene set built from the current directory in a fresh context (the
// scenes hand GL state on to each other), each scene drawn at each quarter of
// its run and on the frame it leaves; an empty string when all went well.
// `hash` gets a hash of the quarter frames.
std::string BuildAndDrawAll(uint64_t* hash)
{
    *hash = 14695981039346656037ull;
    OrvOffscreen gl(80, 60);
    if (!gl.Ok())
        return "no GL context: " + gl.Error();
    OrvSceneSet scenes;
    OrvSceneSet::SetGlobalState();
    OrvShow show(scenes.Schedule());
    int drawn = 0;
    while (!show.Ended()) {
        const int32_t limit = show.Entries()[show.Position()].limit;
        for (int32_t quarter = 1; quarter <= 3; ++quarter) {
            glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
            show.Step(limit * quarter / 4);
            *hash = PictureHash(gl, *hash);
        }
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
        show.Step(limit + 1);
        drawn += 4;
    }
    glFinish();
    if (drawn != 24)
        return "drew " + std::to_string(drawn) + " frames";
    const GLenum error = glGetError();
    return error == GL_NO_ERROR ? "" : "GL error " + std::to_string(error);
}

// A scratch data directory: links to every intact file, one of which a variant replaces.
class ScratchData {
public:
    ScratchData()
    {
        std::string pattern = ::testing::TempDir() + "orv_damaged_XXXXXX";
        dir = mkdtemp(pattern.data()) ? pattern : "";
        for (const std::string& name : DataFiles())
            Restore(name);
    }
    ~ScratchData()
    {
        for (const std::string& name : DataFiles())
            unlink((dir + "/" + name).c_str());
        rmdir(dir.c_str());
    }
    void Put(const std::string& name, const Bytes& bytes)
    {
        unlink(Path(name).c_str());
        WriteFile(Path(name), bytes);
    }
    void Restore(const std::string& name)
    {
        unlink(Path(name).c_str());
        (void)symlink((std::string(ORV_DATA_DIR) + "/" + name).c_str(), Path(name).c_str());
    }
    std::string Path(const std::string& name) const { return dir + "/" + name; }

    std::string dir;
};

// Child process: tries every variant of `name`, telling the parent through
// `report` which one it is on; returns 0 when all passed, 1 at the first failure.
int TryVariants(const std::string& name, int report)
{
    auto say = [report](const std::string& text) { (void)!write(report, text.data(), text.size()); };
    const int devnull = open("/dev/null", O_WRONLY);
    dup2(devnull, STDOUT_FILENO);  // the reader's trace
    ScratchData data;
    if (data.dir.empty() || chdir(data.dir.c_str()) != 0) {
        say("no scratch directory\n");
        return 1;
    }
    const Bytes intact = ReadFile(std::string(ORV_DATA_DIR) + "/" + name);
    const bool music = EndsWith(name, ".xm");
    uint64_t intactHash = 0, hash = 0;
    if (!music && !BuildAndDrawAll(&intactHash).empty()) {
        say("the intact data set fails\n");
        return 1;
    }
    int changed = 0;
    for (const Variant& v : Variants(name, intact)) {
        say(v.name + "\n");
        data.Put(name, v.bytes);
        std::string failure;
        if (music) {
            std::string error;
            if (!OrvWriteMusicWav(data.Path(name), data.dir + "/music.wav", 4800, &error))
                failure = "no WAV written: " + error;
            unlink((data.dir + "/music.wav").c_str());
        } else {
            failure = BuildAndDrawAll(&hash);
            changed += hash != intactHash;
        }
        if (!failure.empty()) {
            say("FAILED: " + failure + "\n");
            return 1;
        }
    }
    // The scenes must have read the damaged file, or nothing was tried.
    if (!music && changed == 0) {
        say("no variant changed a picture\n");
        return 1;
    }
    say("all " + std::to_string(Variants(name, intact).size()) + " variants passed, " + std::to_string(changed) +
        " changed the pictures\n");
    return 0;
}

constexpr const char* kChildFile = "ORV_DAMAGED_FILE";
constexpr const char* kChildReport = "ORV_DAMAGED_REPORT_FD";

// Runs TryVariants in a child; returns its exit status and everything it reported.
int RunChild(const std::string& name, std::string* log)
{
    int pipeFds[2];
    if (pipe(pipeFds) != 0)
        return -1;
    // Everything the child needs is made before fork: GL driver threads may hold locks.
    std::vector<std::string> env = {std::string(kChildFile) + "=" + name,
                                    std::string(kChildReport) + "=" + std::to_string(pipeFds[1])};
    for (char** e = environ; *e; ++e)
        env.emplace_back(*e);
    std::vector<char*> envp;
    for (std::string& e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    char self[] = "/proc/self/exe";
    char* argv[] = {self, nullptr};
    fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        close(pipeFds[0]);
        execve(self, argv, envp.data());
        _exit(127);
    }
    close(pipeFds[1]);
    char buffer[4096];
    ssize_t n;
    while ((n = read(pipeFds[0], buffer, sizeof buffer)) > 0)
        log->append(buffer, static_cast<size_t>(n));
    close(pipeFds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// The last line of a report: the variant that was running when the child stopped.
std::string LastLine(const std::string& log)
{
    const size_t end = log.find_last_not_of('\n');
    if (end == std::string::npos)
        return "(nothing reported)";
    const size_t start = log.rfind('\n', end);
    return log.substr(start == std::string::npos ? 0 : start + 1, end - (start == std::string::npos ? 0 : start + 1) + 1);
}

class DamagedDataFile : public ::testing::TestWithParam<std::string> {};

}  // namespace

TEST_P(DamagedDataFile, EverySceneStillBuildsAndDraws)
{
    std::string log;
    const int status = RunChild(GetParam(), &log);
    EXPECT_EQ(status, 0) << GetParam() << ", last variant: " << LastLine(log);
    EXPECT_NE(log.find("variants passed"), std::string::npos) << log;
    std::printf("%s: %s\n", GetParam().c_str(), LastLine(log).c_str());
}

INSTANTIATE_TEST_SUITE_P(DataSet, DamagedDataFile, ::testing::ValuesIn(DataFiles()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                             std::string name = info.param;
                             std::replace(name.begin(), name.end(), '.', '_');
                             return name;
                         });

// Runs the program's capture of `frames` frames from `start` on the data in
// `dataDir`, into `dataDir`/out/; its stdout (the trace) and stderr are kept.
struct ProgramRun {
    int status = -1;
    std::string trace;
    std::string err;
};
ProgramRun CaptureFrom(const std::string& dataDir, const char* start, int frames)
{
    const std::string out = dataDir + "/out", outs = dataDir + "/stdout", errs = dataDir + "/stderr";
    const std::string command = "timeout 120 " ORV_PROGRAM " --data " + dataDir + " --capture " + out +
                                "/ --size 64x48 --frames " + std::to_string(frames) + " --start " + start +
                                " >" + outs + " 2>" + errs;
    ProgramRun run;
    const int status = std::system(command.c_str());
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.trace = ReadAll(outs);
    run.err = ReadAll(errs);
    (void)!std::system(("rm -rf " + out + " " + outs + " " + errs).c_str());
    return run;
}

// The lines of `text` that contain `word`.
std::vector<std::string> LinesWith(const std::string& text, const std::string& word)
{
    std::vector<std::string> lines;
    for (size_t at = 0; at < text.size();) {
        const size_t end = std::min(text.find('\n', at), text.size());
        const std::string line = text.substr(at, end - at);
        if (line.find(word) != std::string::npos)
            lines.push_back(line);
        at = end + 1;
    }
    return lines;
}

// Files that are no scene file at all, in a scene file's place: one line says
// so and that the scene is empty, the trace is the reader's own, and the
// capture goes on.
TEST(NotASceneFile, OneLineSaysSoAndTheShowGoesOn)
{
    ScratchData data;
    ASSERT_FALSE(data.dir.empty());
    Bytes random(50000);
    std::mt19937 generator(7);
    for (uint8_t& b : random)
        b = static_cast<uint8_t>(generator());
    const std::string text = "this is a text file, not a scene\n";
    const std::vector<Variant> variants = {
        {"empty", {}},
        {"random bytes", random},
        {"zeros", Bytes(50000, 0)},
        {"text", Bytes(text.begin(), text.end())},
        {"a picture", ReadFile(std::string(ORV_DATA_DIR) + "/Sunset.bmp")},
    };
    for (const Variant& v : variants) {
        data.Put("kylpyla.3ds", v.bytes);
        const ProgramRun run = CaptureFrom(data.dir, "Kylpyla", 2);
        EXPECT_EQ(run.status, 0) << v.name << ": " << run.err;
        const std::vector<std::string> said = LinesWith(run.err, "kylpyla.3ds");
        ASSERT_EQ(said.size(), 1u) << v.name << ": " << run.err;
        EXPECT_NE(said[0].find("not a scene file"), std::string::npos) << v.name << ": " << said[0];
        EXPECT_NE(said[0].find("scene will be empty"), std::string::npos) << v.name << ": " << said[0];
        EXPECT_NE(run.trace.find("Loaded file kylpyla.3ds, size " + std::to_string(v.bytes.size()) +
                                 "\nCorrupt .3DS file.\n"),
                  std::string::npos)
            << v.name;
        EXPECT_NE(run.err.find("wrote"), std::string::npos) << v.name << ": " << run.err;
    }
}

// A module cut short before its samples: libopenmpt decodes it, but it can
// only play silence. One line says the music cannot be played and is silent.
TEST(TruncatedModule, OneLineSaysTheMusicCannotBePlayed)
{
    ScratchData data;
    ASSERT_FALSE(data.dir.empty());
    Bytes module = ReadFile(std::string(ORV_DATA_DIR) + "/Tuvari.xm");
    ASSERT_GT(module.size(), 1000u);
    module.resize(1000);
    data.Put("Tuvari.xm", module);
    const ProgramRun run = CaptureFrom(data.dir, "Intro", 2);
    EXPECT_EQ(run.status, 0) << run.err;
    const std::vector<std::string> said = LinesWith(run.err, "Tuvari.xm");
    ASSERT_EQ(said.size(), 1u) << run.err;
    EXPECT_NE(said[0].find("cannot be played"), std::string::npos) << said[0];
    EXPECT_NE(said[0].find("silent"), std::string::npos) << said[0];
    EXPECT_NE(run.err.find("wrote"), std::string::npos) << run.err;
}

TEST(MissingData, EmptyDirectoryShowRunsToItsEnd)
{
    std::string pattern = ::testing::TempDir() + "orv_empty_XXXXXX";
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    char cwd[PATH_MAX];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    ASSERT_EQ(chdir(pattern.c_str()), 0);
    {
        OrvOffscreen gl(80, 60);
        ASSERT_TRUE(gl.Ok()) << gl.Error();
        ::testing::internal::CaptureStdout();
        OrvSceneSet scenes;
        OrvSceneSet::SetGlobalState();
        OrvShow show(scenes.Schedule());
        const int64_t frames = PlayShow(show, 500);
        ::testing::internal::GetCapturedStdout();
        EXPECT_TRUE(show.Ended());
        // 15 ticks a frame: every scene runs to its limit, none ends early.
        EXPECT_EQ(frames, (120 / 15 + 1) + (540 / 15 + 1) + 4 * (840 / 15 + 1));
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    }
    EXPECT_EQ(chdir(cwd), 0);
    rmdir(pattern.c_str());
}

int main(int argc, char** argv)
{
    if (const char* file = getenv(kChildFile))
        return TryVariants(file, std::atoi(getenv(kChildReport)));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
