// The content check sees the file as its open mode delivers it.
#include <gtest/gtest.h>

#include <string>

#include "platform/platform.h"
#include "run/checkinhalt.h"
#include "tests/platform/temp_dir.h"

namespace {

TEST(Checkinhalt, ResultsInBothModesAndTheStreamStartsOver) {
    const struct {
        const char* name;
        std::string raw;
        int text;
        int binary;
    } cases[] = {
        {"empty file", "", 1, 1},
        {"blanks, tab, line feed", "  \t\n", 2, 2},
        {"blank then content", " x", 0, 0},
        {"crlf line ends", "  \r\n \r\n", 2, 0},
        {"lone cr", " \r ", 0, 0},
        {"ctrl-z first", "\x1a" "abc", 2, 0},
        {"white space before ctrl-z", " \n\x1a" "abc", 2, 0},
        {"nul byte", std::string(" \0", 2), 0, 0},
        {"form feed", "\f", 0, 0},
        {"content after a long run of blanks", std::string(100000, ' ') + "x", 0, 0},
    };
    TempDir dir;
    ASSERT_TRUE(dir.ok());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = dir.write("source", c.raw);
        for (FileMode mode : {FileMode::ReadText, FileMode::ReadBinary}) {
            int first = -1;
            {
                PlatformFilePtr fresh(platformOpen(path.c_str(), mode));
                ASSERT_TRUE(fresh);
                first = platformGetc(fresh.get());
            }
            PlatformFilePtr file(platformOpen(path.c_str(), mode));
            ASSERT_TRUE(file);
            EXPECT_EQ(checkinhalt(file.get()), mode == FileMode::ReadText ? c.text : c.binary)
                << (mode == FileMode::ReadText ? "text" : "binary");
            EXPECT_EQ(platformGetc(file.get()), first) << "next read after the check";
        }
    }
}

}  // namespace
