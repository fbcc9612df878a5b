#include <gtest/gtest.h>

#include <unistd.h>

#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "config/ini_reader.h"
#include "config/value_cipher.h"

namespace {

std::string hexOf(const std::string& text) {
    char hex[512];
    EXPECT_TRUE(encryptValue(text.c_str(), hex, sizeof hex, kConfigKey));
    return hex;
}

// One directory for all fixtures of this file, removed when the tests end.
struct FixtureDir {
    std::string path;
    FixtureDir() {
        char pattern[] = "/tmp/mb_config_test_XXXXXX";
        const char* made = mkdtemp(pattern);
        path = made != nullptr ? made : "";
    }
    ~FixtureDir() {
        std::error_code ignored;
        if (!path.empty()) std::filesystem::remove_all(path, ignored);
    }
};

std::string tempDir() {
    static FixtureDir dir;
    EXPECT_FALSE(dir.path.empty());
    return dir.path;
}

std::string writeFixture(const std::string& name, const std::string& bytes) {
    const std::string path = tempDir() + "/" + name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

TEST(IniText, FindNthChar) {
    struct Case {
        const char* text;
        int n;
        int expected;
    };
    const Case cases[] = {
        {"a;b;c", 1, 1}, {"a;b;c", 2, 3},
        {"a;b;c", 3, 3},  // fewer than n: the last one
        {";", 2, 0},      {"abc", 1, -1}, {"", 1, -1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(findNthChar(c.text, ';', c.n), c.expected) << c.text << " n=" << c.n;
    }
}

TEST(IniText, CopySubstring) {
    struct Case {
        const char* source;
        int start;
        int length;
        std::size_t destSize;
        const char* expected;
    };
    const Case cases[] = {
        {"abcdef", 1, 3, 16, "bcd"},
        {"abcdef", 2, 0, 16, "cdef"},   // 0: to the end
        {"abc\n", 1, 0, 16, "bc\n"},
        {"abcdef", 1, -1, 16, "keep"},  // negative: destination untouched
        {"abc", 1, 10, 16, "bc"},       // never past the source
        {"abc", 3, 0, 16, ""},
        {"abcdef", 0, 0, 4, "abc"},     // never past the destination
        {"abcdef", 1, 5, 3, "bc"},
    };
    for (const Case& c : cases) {
        char dest[16] = "keep";
        copySubstring(c.source, c.start, c.length, dest, c.destSize);
        EXPECT_STREQ(dest, c.expected) << c.source << " " << c.start << " " << c.length;
    }
}

struct Request {
    const char* section;
    const char* key;
    std::int32_t number;
};

struct Result {
    std::int32_t number;
    std::string section;
    std::string key;
    std::string value;
};

struct ReaderCase {
    const char* name;
    std::optional<std::string> file;  // none: the file does not exist
    Request request;
    Result expected;
};

TEST(IniReader, LineShapes) {
    const std::string user = hexOf("user");
    const std::string secret = hexOf("s3cr;et");
    const std::string example = ";S;\n1;LOGIN;" + user + "\n;S;\n2;PASS;" + secret + "\n";
    std::string crlfExample = example;
    for (std::size_t at = crlfExample.find('\n'); at != std::string::npos;
         at = crlfExample.find('\n', at + 2)) {
        crlfExample.insert(at, "\r");
    }
    const std::string longKey(250, 'K');
    const std::string longPlain(104, 'v');
    const Result none{0, "", "", ""};
    const Request pass{"", "PASS", 0};
    const Request login{"", "LOGIN", 0};

    const ReaderCase cases[] = {
        {"missing file", std::nullopt, pass, none},
        {"empty file", "", pass, none},
        {"one line", ";S;\n", pass, none},
        {"odd line count", ";S;\n1;LOGIN;" + user + "\n;S;\n", pass, none},
        {"found by key", example, pass, {2, "S", "PASS", "s3cr;et"}},
        {"first pair by key", example, login, {1, "S", "LOGIN", "user"}},
        {"key absent", example, {"", "NET8", 0}, none},
        {"number 0 answers every key", ";S;\n0;LOGIN;" + user + "\n;S;\n2;PASS;" + secret + "\n",
         pass, {0, "S", "LOGIN", "user"}},
        {"entry line starting with ;", ";S;\n;LOGIN;" + user + "\n", pass,
         {0, "S", "LOGIN", "user"}},
        {"section line without ; answers every key",
         "S\n1;LOGIN;" + user + "\n;S;\n2;PASS;" + secret + "\n", pass,
         {1, "", "LOGIN", "user"}},
        {";; section for its key", ";;\n1;PASS;" + secret + "\n", pass,
         {1, ";\n", "PASS", "s3cr;et"}},
        {";; section not for others", ";;\n1;PASS;" + secret + "\n", login, none},
        {"key compared exactly", ";S;\n1;pass;" + secret + "\n;S;\n2;PASS ;" + secret + "\n",
         pass, none},
        {"number;;value", ";S;\n1;;" + user + "\n", {"", "x", 1},
         {1, "S", ";" + user + "\n", "user"}},
        {"nothing after the key", ";S;\n1;PASS;\n", pass, {1, "S", "PASS", ""}},
        {"one ; only", ";S;\n7;" + user + "\n", {"", "x", 7}, {7, "S", "", "user"}},
        {"last line without newline", ";S;\n1;PASS;" + secret, pass, {1, "S", "PASS", ""}},
        {"entry line without ; does not answer number 0", ";S;\nLOGIN " + user + "\n", pass,
         none},
        {"number text cut to 11 characters", ";S;\n000000000042;K;" + user + "\n",
         {"", "x", 4}, {4, "S", "K", "user"}},
        {"number beyond int32 stops at the limit", ";S;\n-99999999999;K;" + user + "\n",
         {"", "K", 0}, {INT32_MIN, "S", "K", "user"}},
        {"key cut to 200", ";S;\n1;" + longKey + ";" + user + "\n", {"", "x", 1},
         {1, "S", longKey.substr(0, 200), "user"}},
        {"value cut to 200 hex characters", ";S;\n1;PASS;" + hexOf(longPlain) + "\n", pass,
         {1, "S", "PASS", longPlain.substr(0, 96)}},
        {"entry line cut at 399 has no newline", ";S;\n1;PASS;" + std::string(600, 'A') + "\n",
         pass, {1, "S", "PASS", ""}},
        {"over-long section line shifts the pairs",
         ";S;" + std::string(250, 's') + "\n1;PASS;" + secret + "\n", pass, none},
        {"CR LF file", crlfExample, pass, {2, "S", "PASS", "s3cr;et"}},
        {"CR LF ;; section", ";;\r\n1;PASS;" + secret + "\r\n", pass,
         {1, ";\n", "PASS", "s3cr;et"}},
    };

    int index = 0;
    for (const ReaderCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = c.file ? writeFixture("case" + std::to_string(index), *c.file)
                                        : tempDir() + "/absent.ini";
        ++index;
        // Leftovers of an earlier call must not show through.
        iniNumber = 99;
        std::snprintf(iniValue, sizeof iniValue, "stale");
        readIniValue(c.request.section, c.request.key, c.request.number, path.c_str());
        EXPECT_EQ(iniNumber, c.expected.number);
        EXPECT_EQ(std::string(iniSection), c.expected.section);
        EXPECT_EQ(std::string(iniKey), c.expected.key);
        EXPECT_EQ(std::string(iniValue), c.expected.value);
    }
}

// Whatever the bytes, the reader stays inside its buffers and terminates its
// results (run under the sanitizers to see a stray access).
TEST(IniReader, ArbitraryContentStaysBounded) {
    std::string noise;
    unsigned seed = 12345;
    for (int i = 0; i < 20000; ++i) {
        seed = seed * 1103515245u + 12345u;
        const char pick[] = ";;;\n\n\r0123456789ABCDEFaz \t\x1A\xE4";
        noise.push_back(pick[(seed >> 16) % (sizeof pick - 1)]);
    }
    const std::string path = writeFixture("noise", noise);
    for (const char* key : {"LOGIN", "PASS", "NET8", ""}) {
        readIniValue("", key, 0, path.c_str());
        EXPECT_LT(std::strlen(iniSection), sizeof iniSection);
        EXPECT_LT(std::strlen(iniKey), sizeof iniKey);
        EXPECT_LT(std::strlen(iniValue), sizeof iniValue);
    }
}

}  // namespace
