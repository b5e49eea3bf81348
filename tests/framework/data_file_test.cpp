// Data files are read only when they are regular files under the size cap:
// a FIFO with no writer, a device or a directory must be refused at once.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "framework/data_file.h"

namespace fs = std::filesystem;

TEST(OrvReadDataFile, RefusesWhatIsNotARegularFileUnderTheCapWithoutBlocking)
{
    const fs::path dir = fs::temp_directory_path() / ("orv-data-file-" + std::to_string(getpid()));
    fs::create_directories(dir / "a directory");
    ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0600), 0);  // no writer: a blocking open would hang
    std::ofstream(dir / "plain", std::ios::binary) << std::string(100, 'x');
    fs::create_symlink(dir / "plain", dir / "link");

    std::vector<char> bytes;
    std::string why;
    EXPECT_FALSE(OrvReadDataFile((dir / "fifo").string(), &bytes, &why));
    EXPECT_NE(why.find("FIFO"), std::string::npos) << why;
    EXPECT_FALSE(OrvReadDataFile((dir / "a directory").string(), &bytes, &why));
    EXPECT_NE(why.find("directory"), std::string::npos) << why;
    EXPECT_FALSE(OrvReadDataFile("/dev/zero", &bytes, &why));  // endless
    EXPECT_NE(why.find("device"), std::string::npos) << why;
    EXPECT_FALSE(OrvReadDataFile((dir / "plain").string(), &bytes, &why, 99));
    EXPECT_NE(why.find("limit"), std::string::npos) << why;
    EXPECT_FALSE(OrvReadDataFile((dir / "missing").string(), &bytes, &why));
    EXPECT_EQ(why, "No such file or directory");

    // A link to a regular file is followed and read whole.
    ASSERT_TRUE(OrvReadDataFile((dir / "link").string(), &bytes, &why, 100)) << why;
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), std::string(100, 'x'));
    fs::remove_all(dir);
}
