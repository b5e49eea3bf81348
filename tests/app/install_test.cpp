// The program as a user meets it: its command line, and an installed copy run
// from a directory that has nothing to do with the show.
#include <gtest/gtest.h>

#include <png.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const std::string kProgram = ORV_BINARY_DIR "/app/orvdemo";

// Runs a shell command line; returns its exit status (-1 when it did not exit).
int Shell(const std::string& command)
{
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string ReadAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Share of pixels of an RGB PNG that are not black; -1 when it cannot be read.
double LitShare(const fs::path& path)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str()))
        return -1;
    image.format = PNG_FORMAT_RGB;
    std::vector<unsigned char> rgb(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr))
        return -1;
    size_t lit = 0;
    for (size_t i = 0; i + 2 < rgb.size(); i += 3)
        lit += rgb[i] > 8 || rgb[i + 1] > 8 || rgb[i + 2] > 8;
    return static_cast<double>(lit) / (rgb.size() / 3);
}

class Program : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/orv-program-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
    }
    void TearDown() override { fs::remove_all(dir); }

    // Runs `program args` in `cwd` with no X display; keeps stdout and stderr.
    int Run(const std::string& program, const std::string& args, const fs::path& cwd)
    {
        return Shell("cd " + cwd.string() + " && env -u DISPLAY -u WAYLAND_DISPLAY " + program + " " + args +
                     " >" + (dir / "out").string() + " 2>" + (dir / "err").string());
    }
    std::string Out() const { return ReadAll(dir / "out"); }
    std::string Err() const { return ReadAll(dir / "err"); }

    fs::path dir;
};

}  // namespace

TEST_F(Program, HelpVersionAndBadOptionsExitBeforeAnyWindow)
{
    EXPECT_EQ(Run(kProgram, "--help", dir), 0) << Err();
    EXPECT_NE(Out().find("--capture OUT"), std::string::npos) << Out();
    EXPECT_EQ(Err(), "");
    EXPECT_EQ(Run(kProgram, "--version s", dir), 0) << Err();
    EXPECT_EQ(Out().rfind("orvdemo ", 0), 0u) << Out();
    for (const char* bad : {"--size 3x3", "--fps", "--window --desktop", "--data /nonexistent/orv"}) {
        EXPECT_EQ(Run(kProgram, bad, dir), 2) << bad << ": " << Err();
        EXPECT_EQ(Out(), "") << bad;
        EXPECT_NE(Err().find("orvdemo: "), std::string::npos) << bad << ": " << Err();
    }
}

TEST_F(Program, InstalledCopyFindsItsDataFromAnyDirectory)
{
    const fs::path prefix = dir / "prefix";
    ASSERT_EQ(Shell(ORV_CMAKE_COMMAND " --install " ORV_BINARY_DIR " --prefix " + prefix.string() + " >" +
                    (dir / "install.log").string() + " 2>&1"),
              0)
        << ReadAll(dir / "install.log");
    ASSERT_TRUE(fs::exists(prefix / "bin/orvdemo"));
    ASSERT_TRUE(fs::exists(prefix / "share/orvdemo/Tuvari.xm"));
    EXPECT_FALSE(fs::exists(prefix / "share/orvdemo/.stamp"));
    EXPECT_FALSE(fs::exists(prefix / "bin/olvar-inspect")) << "developer tools go to bin/ only when asked for";
    EXPECT_NE(ReadAll(prefix / "share/applications/orvdemo.desktop").find("Exec=orvdemo"), std::string::npos);
    EXPECT_GT(LitShare(prefix / "share/icons/hicolor/256x256/apps/orvdemo.png"), 0.5) << "no title picture in the icon";
    const fs::path page = prefix / "share/man/man1/orvdemo.1";
    EXPECT_EQ(Shell("MANWIDTH=80 man --warnings -l " + page.string() + " >" + (dir / "man.txt").string() + " 2>" +
                    (dir / "man.err").string()),
              0);
    EXPECT_EQ(ReadAll(dir / "man.err"), "") << "roff warnings";
    EXPECT_NE(ReadAll(dir / "man.txt").find("--capture OUT"), std::string::npos) << ReadAll(dir / "man.txt");

    fs::create_directories(dir / "elsewhere");
    const fs::path frames = dir / "frames";
    ASSERT_EQ(Run((prefix / "bin/orvdemo").string(), "--capture " + frames.string() + "/ --frames 3 --size 64x48",
                  dir / "elsewhere"),
              0)
        << Err();
    for (const char* name : {"frame_000000.png", "frame_000002.png"})
        EXPECT_GT(LitShare(frames / name), 0.3) << name << ": the Intro picture is missing, so was its data";
    EXPECT_NE(Out().find("Loaded file"), std::string::npos) << "no scene file was read";
    EXPECT_TRUE(fs::is_empty(dir / "elsewhere")) << "the program wrote into its working directory";
}
