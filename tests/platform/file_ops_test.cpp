// Paths, opening failures, remove and rename, and the process exit status.
#include <gtest/gtest.h>

#include <string>

#include <sys/stat.h>

#include "platform/platform.h"
#include "run/widths.h"
#include "tests/platform/temp_dir.h"

namespace {

std::string backslashed(std::string path) {
    for (char& c : path) {
        if (c == '/') {
            c = '\\';
        }
    }
    return path;
}

TEST(FileOps, BackslashPathsReachTheirFiles) {
    TempDir dir;
    ASSERT_TRUE(dir.ok());
    ASSERT_EQ(::mkdir(dir.file("sub").c_str(), 0700), 0);
    std::string log = backslashed(dir.file("sub/log.txt"));

    PlatformFilePtr file(platformOpen(log.c_str(), FileMode::AppendText));
    ASSERT_TRUE(file);
    platformWriteText(file.get(), "x");
    file.reset();
    EXPECT_EQ(readBytes(dir.file("sub/log.txt")), "x");

    std::string bak = backslashed(dir.file("sub/log.bak"));
    EXPECT_EQ(platformRename(log.c_str(), bak.c_str()), 0);
    EXPECT_EQ(readBytes(dir.file("sub/log.bak")), "x");
    EXPECT_EQ(platformRemove(bak.c_str()), 0);
    EXPECT_EQ(platformRemove(bak.c_str()), -1);
}

TEST(FileOps, OpenFailures) {
    TempDir dir;
    ASSERT_TRUE(dir.ok());
    std::string tooLong = dir.file(std::string(widths::kPathMax, 'p'));
    EXPECT_EQ(platformOpen(dir.file("missing").c_str(), FileMode::ReadText), nullptr);
    EXPECT_EQ(platformOpen(dir.file("missing").c_str(), FileMode::ReadBinary), nullptr);
    EXPECT_EQ(platformOpen(dir.file("nodir/log.txt").c_str(), FileMode::AppendText), nullptr);
    EXPECT_EQ(platformOpen(dir.file("").c_str(), FileMode::ReadBinary), nullptr) << "a directory";
    EXPECT_EQ(platformOpen(tooLong.c_str(), FileMode::AppendText), nullptr);
    EXPECT_EQ(platformRemove(tooLong.c_str()), -1);
}

// The log rotation deletes the backup before renaming; a rename never
// replaces a file silently, as on the system the tool comes from.
TEST(FileOps, RenameKeepsAnExistingTarget) {
    TempDir dir;
    ASSERT_TRUE(dir.ok());
    std::string from = dir.write("a", "new");
    std::string to = dir.write("b", "old");
    EXPECT_EQ(platformRename(from.c_str(), to.c_str()), -1);
    EXPECT_EQ(readBytes(to), "old");
    EXPECT_EQ(readBytes(from), "new");
}

TEST(FileOps, ExitStatusNeverTurnsAFailureIntoAnotherCode) {
    const struct {
        int code;
        int status;
    } cases[] = {
        {0, 0},       {1, 1},       {90, 90},     {98, 98},     {255, 255},   {256, 255},
        {1045, 255},  {1062, 255},  {1114, 255},  {1280, 255},  {2002, 255},  {-1, 255},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(platformExitStatus(c.code), c.status) << c.code;
    }
}

TEST(FileOpsDeathTest, ExitEndsTheProcessWithTheMappedStatus) {
    EXPECT_EXIT(platformExit(1280), testing::ExitedWithCode(255), "");
    EXPECT_EXIT(platformExit(90), testing::ExitedWithCode(90), "");
}

}  // namespace
