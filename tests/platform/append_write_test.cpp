// Appending as the Windows runtime's text streams write: LF becomes CR LF.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

#include "platform/platform.h"
#include "run/widths.h"
#include "tests/platform/temp_dir.h"

namespace {

TEST(AppendWrite, TranslatesLineFeedsAndTellsTheSize) {
    struct {
        const char* name;
        std::string existing;  // raw bytes before the open, "" for no file
        std::vector<std::string> writes;
        std::string raw;
    } cases[] = {
        {"new file", "", {"a\nb\n"}, "a\r\nb\r\n"},
        {"pieces", "", {"x", "y\n"}, "xy\r\n"},
        {"cr lf in the text", "", {"a\r\nb"}, "a\r\r\nb"},
        {"leading and trailing line feeds", "", {"\nENDE\n"}, "\r\nENDE\r\n"},
        {"existing content kept", "old\r\n", {"new\n"}, "old\r\nnew\r\n"},
    };
    TempDir dir;
    ASSERT_TRUE(dir.ok());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = dir.file("log.txt");
        ::unlink(path.c_str());
        if (!c.existing.empty()) {
            dir.write("log.txt", c.existing);
        }
        PlatformFilePtr file(platformOpen(path.c_str(), FileMode::AppendText));
        ASSERT_TRUE(file);
        std::string written = c.existing;
        for (const std::string& text : c.writes) {
            ASSERT_EQ(platformWriteText(file.get(), text.c_str()), 0);
            written = readBytes(path);
            EXPECT_EQ(platformTell(file.get()), static_cast<long>(written.size()));
        }
        EXPECT_EQ(written, c.raw);
    }
}

TEST(AppendWrite, TextLongerThanTheBufferArrivesWhole) {
    TempDir dir;
    ASSERT_TRUE(dir.ok());
    std::string path = dir.file("long.txt");
    std::string text(3 * widths::kLogMessage, '\n');
    text += "end";
    PlatformFilePtr file(platformOpen(path.c_str(), FileMode::AppendText));
    ASSERT_TRUE(file);
    ASSERT_EQ(platformWriteText(file.get(), text.c_str()), 0);

    std::string expected;
    for (std::size_t i = 0; i < 3 * widths::kLogMessage; ++i) {
        expected += "\r\n";
    }
    expected += "end";
    EXPECT_EQ(readBytes(path), expected);
}

// Runs started at the same time share one log: their lines must stay whole.
TEST(AppendWrite, ConcurrentWritersNeverInterleaveLines) {
    TempDir dir;
    ASSERT_TRUE(dir.ok());
    std::string path = dir.file("shared.txt");
    constexpr int kWriters = 3;
    constexpr int kLines = 150;
    constexpr std::size_t kLineChars = 3000;

    std::vector<pid_t> children;
    for (int w = 0; w < kWriters; ++w) {
        pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            std::string line(kLineChars, static_cast<char>('a' + w));
            line += '\n';
            for (int i = 0; i < kLines; ++i) {
                PlatformFile* file = platformOpen(path.c_str(), FileMode::AppendText);
                if (file == nullptr || platformWriteText(file, line.c_str()) != 0) {
                    ::_exit(1);
                }
                platformClose(file);
            }
            ::_exit(0);
        }
        children.push_back(pid);
    }
    for (pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }

    std::string raw = readBytes(path);
    ASSERT_EQ(raw.size(), kWriters * kLines * (kLineChars + 2));
    for (std::size_t at = 0; at < raw.size(); at += kLineChars + 2) {
        std::string line = raw.substr(at, kLineChars + 2);
        ASSERT_EQ(line, std::string(kLineChars, line[0]) + "\r\n") << "at byte " << at;
    }
}

}  // namespace
