#include "tests/support/test_tree.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "config/value_cipher.h"

namespace fs = std::filesystem;

namespace {

std::string requiredEnv(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr) {
        ADD_FAILURE() << name << " is not set: run the tests through scripts/test.sh";
        return "";
    }
    return value;
}

void writeBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
    if (!out) ADD_FAILURE() << "cannot write " << path;
}

}  // namespace

std::string testDbUser() { return requiredEnv("MOLTRABECK_TEST_USER"); }
std::string testDbPassword() { return requiredEnv("MOLTRABECK_TEST_PASSWORD"); }

std::string encryptedConfigValue(const std::string& text) {
    char hex[1024];
    if (!encryptValue(text.c_str(), hex, sizeof hex, kConfigKey)) {
        ADD_FAILURE() << "cannot encrypt a configuration value of " << text.size() << " characters";
        return "";
    }
    return hex;
}

std::string readFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TestTree::TestTree(const std::string& net8) {
    std::string pattern = (fs::temp_directory_path() / "moltrabeck-tree.XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        ADD_FAILURE() << "cannot create a temporary directory";
        return;
    }
    root_ = pattern;
    workDir_ = root_ + "/work/run";
    std::error_code error;
    fs::create_directories(root_ + "/Files", error);
    fs::create_directories(root_ + "/Vellantra_php/log", error);
    fs::create_directories(workDir_, error);
    if (error) ADD_FAILURE() << "cannot lay out " << root_ << ": " << error.message();
    writeConfig(testDbUser(), testDbPassword(), net8);
}

TestTree::~TestTree() {
    std::error_code ignored;
    if (!root_.empty()) fs::remove_all(root_, ignored);
}

void TestTree::writeConfig(const std::string& login, const std::string& password, const std::string& net8) {
    std::string text;
    auto pair = [&text](int number, const char* key, const std::string& value) {
        text += ";DB;\r\n" + std::to_string(number) + ";" + key + ";" + encryptedConfigValue(value) + "\r\n";
    };
    pair(1, "LOGIN", login);
    pair(2, "PASS", password);
    if (!net8.empty()) pair(3, "NET8", net8);
    writeConfigBytes(text);
}

void TestTree::writeConfigBytes(const std::string& bytes) const { writeBytes(configPath(), bytes); }

void TestTree::writeFile(const std::string& relativePath, const std::string& bytes) const {
    const fs::path path = fs::path(workDir_) / relativePath;
    std::error_code ignored;
    fs::create_directories(path.parent_path(), ignored);
    writeBytes(path.string(), bytes);
}

std::string TestTree::readFile(const std::string& relativePath) const {
    return readFileBytes((fs::path(workDir_) / relativePath).string());
}

std::string TestTree::logBytes() const { return readFileBytes(logPath()); }
std::string TestTree::logPath() const { return root_ + "/Vellantra_php/log/MtrabeckLog.txt"; }
std::string TestTree::logBackupPath() const { return root_ + "/Vellantra_php/log/MtrabeckLog.bak"; }
std::string TestTree::configPath() const { return root_ + "/Files/Vellantra.Ini"; }

ScopedWorkDir::ScopedWorkDir(const TestTree& tree) {
    std::error_code error;
    previous_ = fs::current_path(error).string();
    if (::chdir(tree.workDir().c_str()) != 0) ADD_FAILURE() << "cannot enter " << tree.workDir();
}

ScopedWorkDir::~ScopedWorkDir() {
    if (!previous_.empty() && ::chdir(previous_.c_str()) != 0) ADD_FAILURE() << "cannot return to " << previous_;
}
