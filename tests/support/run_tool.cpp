#include "tests/support/run_tool.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>

#include "platform/platform.h"

#include "tests/support/test_tree.h"

extern char** environ;

namespace {

// The folder of the Windows build (moltrabeck.exe and exitcode_launcher.exe)
// when the tests run it under Wine (tests/wine/run.sh), else nullptr.
const char* wineToolDir() {
    const char* dir = std::getenv("MOLTRABECK_TOOL_UNDER_WINE");
    return dir != nullptr && *dir != '\0' ? dir : nullptr;
}

// The console output of the Windows program as the tool wrote it: its
// runtime turns every line feed into CR LF, so each CR LF is one line feed
// again, and a line feed without its CR is a fault of the Windows build.
std::string consoleBytesFromWindows(const std::string& raw) {
    std::string written;
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n') continue;
        if (raw[i] == '\n' && (i == 0 || raw[i - 1] != '\r')) {
            ADD_FAILURE() << "line feed without CR at byte " << i << " of the console output";
        }
        written += raw[i];
    }
    return written;
}

}  // namespace

const char* toolPath() { return MOLTRABECK_TOOL_PATH; }

int toolExitStatus(int code) { return wineToolDir() != nullptr ? code : platformExitStatus(code); }

bool toolRunsUnderWine() { return wineToolDir() != nullptr; }

ToolResult runTool(const TestTree& tree, const std::vector<std::string>& args,
                   const std::vector<std::pair<std::string, std::string>>& extraEnv, int timeoutSeconds) {
    return runProgram(toolPath(), tree, args, extraEnv, timeoutSeconds);
}

ToolResult runProgram(const std::string& programPath, const TestTree& tree, const std::vector<std::string>& args,
                      const std::vector<std::pair<std::string, std::string>>& extraEnv, int timeoutSeconds) {
    ToolResult result;

    // Everything the child needs is built before fork: after it, the child
    // only changes directory, redirects and execs.
    std::map<std::string, std::string> env;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const char* equals = std::strchr(*entry, '=');
        if (equals != nullptr) env[std::string(*entry, static_cast<std::size_t>(equals - *entry))] = equals + 1;
    }
    for (const auto& [name, value] : extraEnv) env[name] = value;
    std::vector<std::string> envTexts;
    for (const auto& [name, value] : env) envTexts.push_back(name + "=" + value);
    std::vector<char*> envp;
    for (auto& text : envTexts) envp.push_back(text.data());
    envp.push_back(nullptr);

    // Under Wine the launcher starts the Windows program and writes its whole
    // exit code to a file: a Linux parent sees only the low byte of it.
    const char* wineDir = programPath == toolPath() ? wineToolDir() : nullptr;
    std::string exitCodeFile;
    std::vector<std::string> argTexts{programPath};
    if (wineDir != nullptr) {
        std::string pattern = (std::filesystem::temp_directory_path() / "moltrabeck-exitcode.XXXXXX").string();
        const int fd = ::mkstemp(pattern.data());
        if (fd < 0) {
            ADD_FAILURE() << "cannot create the exit-code file";
            return result;
        }
        ::close(fd);
        exitCodeFile = pattern;
        const char* loader = std::getenv("MOLTRABECK_WINE");
        argTexts = {loader != nullptr ? loader : "/usr/bin/wine", std::string(wineDir) + "/exitcode_launcher.exe",
                    exitCodeFile, std::string(wineDir) + "/moltrabeck.exe"};
    }
    argTexts.insert(argTexts.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& text : argTexts) argv.push_back(text.data());
    argv.push_back(nullptr);

    int pipeFds[2];
    if (::pipe(pipeFds) != 0) {
        ADD_FAILURE() << "pipe failed";
        return result;
    }
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid < 0) {
        ADD_FAILURE() << "fork failed";
        ::close(pipeFds[0]);
        ::close(pipeFds[1]);
        return result;
    }
    if (pid == 0) {
        const int devNull = ::open("/dev/null", O_RDONLY);
        if (devNull < 0 || ::dup2(devNull, 0) < 0 || ::dup2(pipeFds[1], 1) < 0 ||
            ::chdir(tree.workDir().c_str()) != 0) {
            ::_exit(127);
        }
        ::close(pipeFds[0]);
        ::close(pipeFds[1]);
        ::close(devNull);
        ::execve(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
    ::close(pipeFds[1]);

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
    bool timedOut = false;
    char chunk[4096];
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            timedOut = true;
            break;
        }
        pollfd fd{pipeFds[0], POLLIN, 0};
        const int ready = ::poll(&fd, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) {
            timedOut = ready == 0;
            break;
        }
        const ssize_t got = ::read(pipeFds[0], chunk, sizeof chunk);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        result.stdoutBytes.append(chunk, static_cast<std::size_t>(got));
    }
    ::close(pipeFds[0]);
    if (timedOut) {
        ::kill(pid, SIGKILL);
        ADD_FAILURE() << programPath << " did not end within " << timeoutSeconds << " seconds; killed";
    }

    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status)) {
        result.exitCode = WEXITSTATUS(status);
        if (result.exitCode == 127 && !timedOut && ::access(programPath.c_str(), X_OK) != 0) {
            ADD_FAILURE() << "cannot run " << programPath;
        }
    } else if (WIFSIGNALED(status)) {
        result.exitCode = 128 + WTERMSIG(status);
        if (!timedOut) ADD_FAILURE() << programPath << " was killed by signal " << WTERMSIG(status);
    }
    if (wineDir != nullptr) {
        std::ifstream in(exitCodeFile);
        long code = 0;
        if (in >> code) {
            result.exitCode = static_cast<int>(code);
        } else if (!timedOut) {
            ADD_FAILURE() << "the exit-code launcher recorded no exit code (Wine ended with " << result.exitCode << ")";
        }
        ::unlink(exitCodeFile.c_str());
        result.stdoutBytes = consoleBytesFromWindows(result.stdoutBytes);
    }
    return result;
}
