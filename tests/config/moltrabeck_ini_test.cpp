// The companion tool, run as a separate process the way an operator runs it.
#include <gtest/gtest.h>

#include <spawn.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "config/ini_reader.h"
#include "config/value_cipher.h"

extern char** environ;

namespace {

struct ToolRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class MoltrabeckIni : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/mb_ini_tool_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }

    std::string path(const char* name) const { return dir_ + "/" + name; }

    ToolRun run(const std::vector<std::string>& args) const {
        std::vector<std::string> argStrings{MOLTRABECK_INI_PATH};
        argStrings.insert(argStrings.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& arg : argStrings) {
            argv.push_back(arg.data());
        }
        argv.push_back(nullptr);

        const std::string outPath = dir_ + "/.stdout";
        const std::string errPath = dir_ + "/.stderr";
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ToolRun result;
        pid_t pid = 0;
        if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
            int status = 0;
            waitpid(pid, &status, 0);
            result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        posix_spawn_file_actions_destroy(&actions);
        result.out = readFile(outPath);
        result.err = readFile(errPath);
        return result;
    }

    std::string dir_;
};

TEST_F(MoltrabeckIni, WrittenFileReadsBackExactly) {
    const std::string login = "svc;user \xE4";
    const std::string pass(96, '#');
    const std::string host(41, 'h');
    const std::string file = path("Vellantra.Ini");
    const ToolRun written =
        run({"write", "--login", login, "--pass", pass, "--host", host, file});
    ASSERT_EQ(written.exitCode, 0) << written.err;

    const std::string content = readFile(file);
    EXPECT_EQ(content.rfind(";Datenbank;\r\n1;LOGIN;", 0), 0u);
    EXPECT_NE(content.find("\r\n;Datenbank;\r\n3;NET8;"), std::string::npos);
    EXPECT_EQ(content.substr(content.size() - 2), "\r\n");

    const struct {
        const char* key;
        std::string value;
    } expected[] = {{"LOGIN", login}, {"PASS", pass}, {"NET8", host}};
    for (const auto& [key, value] : expected) {
        readIniValue("", key, 0, file.c_str());
        EXPECT_EQ(std::string(iniKey), key);
        EXPECT_EQ(std::string(iniValue), value) << key;
    }
}

TEST_F(MoltrabeckIni, HostIsOptionalAndValuesMayBeEmpty) {
    const std::string file = path("config.ini");
    ASSERT_EQ(run({"write", file, "--pass", "", "--login", "u"}).exitCode, 0);
    readIniValue("", "PASS", 0, file.c_str());
    EXPECT_EQ(std::string(iniKey), "PASS");
    EXPECT_EQ(std::string(iniValue), "");
    readIniValue("", "NET8", 0, file.c_str());
    EXPECT_EQ(std::string(iniKey), "");
}

TEST_F(MoltrabeckIni, RefusesWhatCannotBeReadBack) {
    const std::string file = path("refused.ini");
    const std::vector<std::vector<std::string>> refused = {
        {"write", "--login", "a\nb", "--pass", "p", file},
        {"write", "--login", "u", "--pass", "p\r", file},
        {"write", "--login", std::string(97, 'u'), "--pass", "p", file},
        {"write", "--login", "u", "--pass", std::string(97, 'p'), file},
        {"write", "--login", "u", "--pass", "p", "--host", std::string(42, 'h'), file},
        {"write", "--login", "u", file},
        {"write", "--login", "u", "--pass", "p"},
        {"write", "--login", "u", "--pass", "p", "--bogus", file},
        {},
        {"unknown"},
        {"encrypt"},
    };
    for (const auto& args : refused) {
        std::string shown;
        for (const auto& arg : args) shown += arg.substr(0, 20) + " ";
        SCOPED_TRACE(shown);
        const ToolRun result = run(args);
        EXPECT_EQ(result.exitCode, 2);
        EXPECT_FALSE(result.err.empty());
        EXPECT_EQ(access(file.c_str(), F_OK), -1) << "file written despite refusal";
    }
}

TEST_F(MoltrabeckIni, NeverOverwritesWithoutForce) {
    const std::string file = path("existing.ini");
    std::ofstream(file, std::ios::binary) << "keep me";

    const ToolRun refused = run({"write", "--login", "u", "--pass", "p", file});
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_NE(refused.err.find("--force"), std::string::npos);
    EXPECT_EQ(readFile(file), "keep me");

    ASSERT_EQ(run({"write", "--force", "--login", "u", "--pass", "p", file}).exitCode, 0);
    readIniValue("", "LOGIN", 0, file.c_str());
    EXPECT_EQ(std::string(iniValue), "u");
}

TEST_F(MoltrabeckIni, EncryptAndDecryptMatchTheReader) {
    char hex[64];
    ASSERT_TRUE(encryptValue("geheim", hex, sizeof hex, kConfigKey));
    const ToolRun encrypted = run({"encrypt", "geheim"});
    EXPECT_EQ(encrypted.exitCode, 0);
    EXPECT_EQ(encrypted.out, std::string(hex) + "\n");

    const ToolRun decrypted = run({"decrypt", hex});
    EXPECT_EQ(decrypted.exitCode, 0);
    EXPECT_EQ(decrypted.out, "geheim\n");
}

TEST_F(MoltrabeckIni, HelpStatesTheLimits) {
    const ToolRun help = run({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("96"), std::string::npos);
    EXPECT_NE(help.out.find("41"), std::string::npos);
}

}  // namespace
