// The Windows process plumbing, with this test program as its own child: run
// with ORV_TEST_CHILD set, it acts out one role before main and exits.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "framework/ffmpeg_pipe.h"
#include "framework/process.h"
#include "framework/win32/command_line.h"

namespace fs = std::filesystem;

namespace {

// "drain FILE": reads stdin to its end, writes the byte count to FILE, exits 0.
// "swept DIR": makes DIR an OrvSweptDirectory and ends at once.
// "quit N": exits N at once without reading. "args": prints its arguments, one a line.
struct Child {
    Child()
    {
        const char* role = std::getenv("ORV_TEST_CHILD");
        if (!role)
            return;
        const std::string r = role;
        if (r.rfind("drain ", 0) == 0) {
            char buffer[65536];
            unsigned long long total = 0;
            DWORD n = 0;
            while (ReadFile(GetStdHandle(STD_INPUT_HANDLE), buffer, sizeof buffer, &n, nullptr) && n > 0)
                total += n;
            std::ofstream(r.substr(6)) << total;
            ExitProcess(0);
        }
        if (r.rfind("swept ", 0) == 0) {
            // Ends outright (no destructor runs) with its swept directory made.
            static OrvSweptDirectory work;
            std::string error;
            if (!work.Create(r.substr(6), &error))
                ExitProcess(1);
            std::ofstream(work.Path() / "frame") << "frame";
            ExitProcess(9);
        }
        if (r.rfind("quit ", 0) == 0)
            ExitProcess(std::atoi(r.c_str() + 5));
        if (r == "args") {
            int count = 0;
            wchar_t** args = CommandLineToArgvW(GetCommandLineW(), &count);
            for (int i = 1; i < count; ++i)
                std::printf("%s\n", OrvNarrow(args[i]).c_str());
            std::fflush(stdout);
            ExitProcess(0);
        }
    }
} child;

std::string Self() { return OrvThisProgram(); }

}  // namespace

TEST(WindowsProcessTest, ArgumentsReachTheChildExactlyAndItsOutputComesBack)
{
    const std::vector<std::string> tricky = {"plain", "two words", "", "quote\"inside", "trailing\\",
                                             "back\\\\\"slash", "tab\there", "ünïcödé"};
    std::vector<std::string> argv = {Self()};
    argv.insert(argv.end(), tricky.begin(), tricky.end());
    SetEnvironmentVariableW(L"ORV_TEST_CHILD", L"args");
    std::string output, error;
    const bool ok = OrvRunForOutput(argv, &output, &error);
    SetEnvironmentVariableW(L"ORV_TEST_CHILD", nullptr);
    ASSERT_TRUE(ok) << error;
    std::string expected;
    for (const std::string& a : tricky)
        expected += a + "\n";
    EXPECT_EQ(output, expected);

    EXPECT_TRUE(OrvFindProgram("cmd")) << "PATH search with .exe added";
    EXPECT_FALSE(OrvFindProgram("no-such-program-here"));
    EXPECT_FALSE(OrvRunForOutput({"no-such-program-here"}, &output, &error));
    EXPECT_NE(error.find("not found in PATH"), std::string::npos) << error;
}

TEST(WindowsProcessTest, PipeDeliversEveryByteAndADeadChildFailsTheWriteWithItsStatus)
{
    const fs::path count = fs::temp_directory_path() / ("orv-pipe-" + std::to_string(OrvProcessId()));
    std::vector<char> block(5 << 20, 'x');
    {
        SetEnvironmentVariableW(L"ORV_TEST_CHILD", (L"drain " + count.wstring()).c_str());
        OrvFfmpegPipe pipe;
        std::string error;
        ASSERT_TRUE(pipe.Start({Self()}, &error)) << error;
        SetEnvironmentVariableW(L"ORV_TEST_CHILD", nullptr);
        for (int i = 0; i < 3; ++i)
            ASSERT_TRUE(pipe.Write(block.data(), block.size(), &error)) << error;
        ASSERT_TRUE(pipe.Finish(10000, &error)) << error;
        unsigned long long got = 0;
        std::ifstream(count) >> got;
        EXPECT_EQ(got, 3ull * block.size());
        fs::remove(count);
    }
    {
        SetEnvironmentVariableW(L"ORV_TEST_CHILD", L"quit 3");
        OrvFfmpegPipe pipe;
        std::string error;
        ASSERT_TRUE(pipe.Start({Self()}, &error)) << error;
        SetEnvironmentVariableW(L"ORV_TEST_CHILD", nullptr);
        bool wrote = true;
        for (int i = 0; i < 4 && wrote; ++i)
            wrote = pipe.Write(block.data(), block.size(), &error);
        EXPECT_FALSE(wrote);
        EXPECT_EQ(error, "ffmpeg stopped reading frames (ffmpeg exited with status 3)");
    }
}

TEST(WindowsProcessTest, CopyRunsWithItsLogAndTheSweptDirectoryGoesEvenWhenItsOwnerIsKilled)
{
    const fs::path where = fs::temp_directory_path() / ("orv-swept-" + std::to_string(OrvProcessId()));
    {
        OrvSweptDirectory work;
        std::string error;
        ASSERT_TRUE(work.Create(where, &error)) << error;
        std::ofstream(where / "leftover") << "frame";
        SetEnvironmentVariableW(L"ORV_TEST_CHILD", L"quit 5");
        OrvProgramCopy copy;
        ASSERT_TRUE(copy.Start({"--whatever"}, (where / "log").string(), work, &error)) << error;
        SetEnvironmentVariableW(L"ORV_TEST_CHILD", nullptr);
        copy.Wait();
        EXPECT_FALSE(copy.Succeeded());
        EXPECT_EQ(copy.ExitStatus(), 5);
        EXPECT_TRUE(fs::exists(where / "log"));
    }
    EXPECT_FALSE(fs::exists(where)) << "the destructor removes the directory";

    // Its owner ended outright: the sweeper removes it.
    const fs::path orphan = where.string() + "-orphan";
    SetEnvironmentVariableW(L"ORV_TEST_CHILD", (L"swept " + orphan.wstring()).c_str());
    std::string output, error;
    EXPECT_FALSE(OrvRunForOutput({Self()}, &output, &error));
    SetEnvironmentVariableW(L"ORV_TEST_CHILD", nullptr);
    EXPECT_EQ(error, Self() + " exited with status 9");
    for (int i = 0; i < 100 && fs::exists(orphan); ++i)
        Sleep(100);
    EXPECT_FALSE(fs::exists(orphan)) << "the sweeper removes the directory of an owner killed outright";
}
