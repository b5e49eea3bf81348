// The Windows reader of data files keeps the POSIX one's rules: only a disk
// file under the cap is read; a pipe, a device or a directory is refused at
// once, and a missing file is named in the C library's words.
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <fstream>

#include "framework/data_file.h"

namespace fs = std::filesystem;

TEST(OrvReadDataFileWindows, RefusesWhatIsNotARegularFileUnderTheCapWithoutBlocking)
{
    const std::string id = std::to_string(GetCurrentProcessId());
    const fs::path dir = fs::temp_directory_path() / ("orv-data-file-" + id);
    fs::create_directories(dir / "a directory");
    std::ofstream(dir / "plain", std::ios::binary) << std::string(100, 'x');
    // A pipe nobody writes to: a blocking read would hang.
    const std::string pipe = "\\\\.\\pipe\\orv-data-file-" + id;
    const HANDLE server = CreateNamedPipeA(pipe.c_str(), PIPE_ACCESS_OUTBOUND, PIPE_TYPE_BYTE | PIPE_WAIT, 1,
                                           4096, 4096, 0, nullptr);
    ASSERT_NE(server, INVALID_HANDLE_VALUE);

    std::vector<char> bytes;
    std::string why;
    EXPECT_FALSE(OrvReadDataFile(pipe, &bytes, &why));
    EXPECT_NE(why.find("pipe"), std::string::npos) << why;
    EXPECT_FALSE(OrvReadDataFile("NUL", &bytes, &why));
    EXPECT_NE(why.find("device"), std::string::npos) << why;
    EXPECT_FALSE(OrvReadDataFile((dir / "a directory").string(), &bytes, &why));
    EXPECT_NE(why.find("directory"), std::string::npos) << why;
    EXPECT_FALSE(OrvReadDataFile((dir / "plain").string(), &bytes, &why, 99));
    EXPECT_NE(why.find("limit"), std::string::npos) << why;
    EXPECT_FALSE(OrvReadDataFile((dir / "missing").string(), &bytes, &why));
    EXPECT_EQ(why, "No such file or directory");

    ASSERT_TRUE(OrvReadDataFile((dir / "plain").string(), &bytes, &why, 100)) << why;
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), std::string(100, 'x'));
    CloseHandle(server);
    fs::remove_all(dir);
}
