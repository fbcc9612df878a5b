// Reading as the Windows runtime's text and binary streams deliver a file.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "tests/platform/temp_dir.h"

namespace {

using namespace std::string_literals;

std::string readByGetc(PlatformFile* file) {
    std::string out;
    for (int c = platformGetc(file); c >= 0; c = platformGetc(file)) {
        out += static_cast<char>(c);
    }
    return out;
}

std::string readByGets(PlatformFile* file, int size) {
    std::string out;
    std::vector<char> line(static_cast<std::size_t>(size));
    while (platformGets(line.data(), size, file) != nullptr) {
        out += line.data();
    }
    return out;
}

std::string readByBlocks(PlatformFile* file, std::size_t block) {
    std::string out;
    std::vector<char> chunk(block);
    for (;;) {
        std::size_t got = platformRead(chunk.data(), 1, block, file);
        out.append(chunk.data(), got);
        if (got < block) {
            return out;
        }
    }
}

// Compares without printing whole files: only where they part.
testing::AssertionResult sameBytes(const std::string& got, const std::string& expected) {
    std::size_t at = 0;
    while (at < got.size() && at < expected.size() && got[at] == expected[at]) {
        ++at;
    }
    if (at == got.size() && at == expected.size()) {
        return testing::AssertionSuccess();
    }
    return testing::AssertionFailure() << "differs at byte " << at << " of " << expected.size()
                                       << " expected (" << got.size() << " read)";
}

// Every way of reading must see the same bytes for a mode.
void expectDelivers(const std::string& path, FileMode mode, const std::string& expected,
                    bool viaGets = true) {
    PlatformFilePtr file(platformOpen(path.c_str(), mode));
    ASSERT_TRUE(file);
    EXPECT_TRUE(sameBytes(readByGetc(file.get()), expected)) << "getc";
    ASSERT_EQ(platformSeekStart(file.get()), 0);
    EXPECT_TRUE(sameBytes(readByBlocks(file.get(), 3), expected)) << "read";
    if (viaGets) {
        ASSERT_EQ(platformSeekStart(file.get()), 0);
        EXPECT_TRUE(sameBytes(readByGets(file.get(), 499), expected)) << "gets";
    }
}

struct ModeCase {
    const char* name;
    std::string raw;
    std::string text;  // what text mode delivers; binary mode delivers raw
};

TEST(StreamRead, TextAndBinaryModesDeliverTheirBytes) {
    const ModeCase cases[] = {
        {"crlf pairs", "a\r\nb\r\n", "a\nb\n"},
        {"lone cr", "a\rb", "a\rb"},
        {"cr as last byte", "ab\r", "ab\r"},
        {"cr cr lf", "a\r\r\nb", "a\r\nb"},
        {"lf cr", "a\n\rb", "a\n\rb"},
        {"ctrl-z in the middle", "ab\x1a" "cd\r\n", "ab"},
        {"ctrl-z first", "\x1a" "abc", ""},
        {"cr before ctrl-z", "a\r\x1a" "b", "a\r"},
        {"high bytes are not the end", "\xe4\xff\n", "\xe4\xff\n"},
        {"empty", "", ""},
    };
    TempDir dir;
    ASSERT_TRUE(dir.ok());
    for (const ModeCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = dir.write("case", c.raw);
        expectDelivers(path, FileMode::ReadText, c.text);
        expectDelivers(path, FileMode::ReadBinary, c.raw);
    }
}

TEST(StreamRead, NulBytesPassInBothModes) {
    TempDir dir;
    ASSERT_TRUE(dir.ok());
    std::string raw = "a\0\r\n\0"s;
    std::string path = dir.write("nul", raw);
    // fgets cannot report bytes after a NUL, so only getc and read count here.
    expectDelivers(path, FileMode::ReadText, "a\0\n\0"s, false);
    expectDelivers(path, FileMode::ReadBinary, raw, false);
}

std::string withoutCrBeforeLf(const std::string& raw) {
    std::string text;
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n') {
            continue;
        }
        text += raw[i];
    }
    return text;
}

// Large files put a CR LF pair across every boundary of the stream's
// internal buffer, whatever its size: the pairs sit on all even offsets in
// one file and on all odd offsets in the other.
TEST(StreamRead, LargeFilesMatchTheTranslationEverywhere) {
    std::string pairs;
    for (int i = 0; i < 150000; ++i) {
        pairs += "\r\n";
    }
    std::string mixed;
    unsigned state = 12345;
    const char alphabet[] = {'a', '\r', '\n', 'b'};
    for (int i = 0; i < 300000; ++i) {
        state = state * 1103515245u + 12345u;
        mixed += alphabet[(state >> 16) % 4];
    }
    const struct {
        const char* name;
        std::string raw;
    } cases[] = {
        {"pairs on even offsets", pairs},
        {"pairs on odd offsets", "a" + pairs},
        {"mixed", mixed},
    };
    TempDir dir;
    ASSERT_TRUE(dir.ok());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = dir.write("large", c.raw);
        expectDelivers(path, FileMode::ReadText, withoutCrBeforeLf(c.raw));
        expectDelivers(path, FileMode::ReadBinary, c.raw);

        PlatformFilePtr file(platformOpen(path.c_str(), FileMode::ReadText));
        ASSERT_TRUE(file);
        readByGetc(file.get());
        EXPECT_EQ(platformTell(file.get()), static_cast<long>(c.raw.size()));
    }
}

TEST(StreamRead, CtrlZEndsTextInputUntilTheNextSeek) {
    TempDir dir;
    ASSERT_TRUE(dir.ok());
    std::string path = dir.write("z", "a\r\nb\x1a" "cd");
    PlatformFilePtr file(platformOpen(path.c_str(), FileMode::ReadText));
    ASSERT_TRUE(file);

    EXPECT_EQ(readByGetc(file.get()), "a\nb");
    EXPECT_EQ(platformGetc(file.get()), -1);
    char line[16];
    EXPECT_EQ(platformGets(line, sizeof line, file.get()), nullptr);

    ASSERT_EQ(platformSeekStart(file.get()), 0);
    EXPECT_EQ(readByGetc(file.get()), "a\nb");
}

TEST(StreamRead, SeekAndTellCountRawBytes) {
    TempDir dir;
    ASSERT_TRUE(dir.ok());
    std::string path = dir.write("pos", "a\r\nb\x1a" "cd");
    for (FileMode mode : {FileMode::ReadText, FileMode::ReadBinary}) {
        PlatformFilePtr file(platformOpen(path.c_str(), mode));
        ASSERT_TRUE(file);
        ASSERT_EQ(platformSeekEnd(file.get()), 0);
        EXPECT_EQ(platformTell(file.get()), 7);
        ASSERT_EQ(platformSeekStart(file.get()), 0);
        EXPECT_EQ(platformTell(file.get()), 0);
        platformGetc(file.get());
        platformGetc(file.get());
        EXPECT_EQ(platformTell(file.get()), mode == FileMode::ReadText ? 3 : 2);
    }
}

// A line that fills the buffer without its line feed leaves the line feed
// to the next call, which then reads it as a line of its own.
TEST(StreamRead, GetsStopsAtTheBufferAndContinues) {
    const std::string fits(497, 'a');
    const std::string fills(498, 'b');
    TempDir dir;
    ASSERT_TRUE(dir.ok());
    std::string path = dir.write("lines", fits + "\r\n" + fills + "\r\nx");

    struct {
        FileMode mode;
        std::vector<std::string> lines;
    } cases[] = {
        {FileMode::ReadText, {fits + "\n", fills, "\n", "x"}},
        {FileMode::ReadBinary, {fits + "\r", "\n", fills, "\r\n", "x"}},
    };
    for (const auto& c : cases) {
        PlatformFilePtr file(platformOpen(path.c_str(), c.mode));
        ASSERT_TRUE(file);
        char line[499];
        for (const std::string& expected : c.lines) {
            ASSERT_NE(platformGets(line, sizeof line, file.get()), nullptr);
            EXPECT_EQ(std::string(line), expected);
        }
        EXPECT_EQ(platformGets(line, sizeof line, file.get()), nullptr);
    }
}

TEST(StreamRead, BlockReadCountsWholeItems) {
    TempDir dir;
    ASSERT_TRUE(dir.ok());
    std::string path = dir.write("records", "abcdefg");
    PlatformFilePtr file(platformOpen(path.c_str(), FileMode::ReadBinary));
    ASSERT_TRUE(file);
    char records[9];
    EXPECT_EQ(platformRead(records, 3, 3, file.get()), 2u);
    EXPECT_EQ(std::string(records, 6), "abcdef");
    EXPECT_EQ(platformRead(records, 3, 1, file.get()), 0u);
}

}  // namespace
