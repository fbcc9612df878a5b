// A temporary directory tree around the tool's working directory:
//
//   <root>/Files/Vellantra.Ini      the configuration file
//   <root>/Vellantra_php/log/       the run log and its backup
//   <root>/work/run/                the working directory of a run
//
// so that the tool's relative paths ..\..\Files\Vellantra.Ini and
// ..\..\Vellantra_php\log\MtrabeckLog.txt resolve inside the tree. The tree
// is removed with everything in it when the object goes.
#pragma once

#include <string>

// The credentials of the test database (MOLTRABECK_TEST_USER and
// MOLTRABECK_TEST_PASSWORD); empty, with a test failure, when they are unset.
std::string testDbUser();
std::string testDbPassword();

class TestTree {
public:
    // A tree whose configuration file holds the test credentials and, when
    // net8 is not empty, that host as NET8 (left out when empty).
    explicit TestTree(const std::string& net8 = "");
    ~TestTree();
    TestTree(const TestTree&) = delete;
    TestTree& operator=(const TestTree&) = delete;

    // Rewrites the configuration file: three pairs of a section line
    // ";DB;" and an entry "n;KEY;value" (n = 1..3: LOGIN, PASS, NET8), CR LF
    // line ends, each value encrypted as the tool expects. An empty net8
    // leaves the NET8 pair out.
    void writeConfig(const std::string& login, const std::string& password, const std::string& net8);
    // Writes the configuration file with exactly these bytes.
    void writeConfigBytes(const std::string& bytes) const;

    // Writes a file at a path relative to the working directory (parent
    // directories are created), byte for byte.
    void writeFile(const std::string& relativePath, const std::string& bytes) const;
    // The bytes of a file relative to the working directory; empty if missing.
    std::string readFile(const std::string& relativePath) const;

    // The whole run log, byte for byte; empty when there is none.
    std::string logBytes() const;
    std::string logPath() const;
    std::string logBackupPath() const;
    std::string configPath() const;

    const std::string& root() const { return root_; }
    const std::string& workDir() const { return workDir_; }

private:
    std::string root_;
    std::string workDir_;
};

// Makes the tree's working directory the current one for in-process tests
// of code that uses the tool's relative paths; the previous one comes back
// at the end of the scope.
class ScopedWorkDir {
public:
    explicit ScopedWorkDir(const TestTree& tree);
    ~ScopedWorkDir();
    ScopedWorkDir(const ScopedWorkDir&) = delete;
    ScopedWorkDir& operator=(const ScopedWorkDir&) = delete;

private:
    std::string previous_;
};

// A text encrypted as a configuration value (upper-case hex).
std::string encryptedConfigValue(const std::string& text);

// The bytes of a file; empty when it is missing.
std::string readFileBytes(const std::string& path);
