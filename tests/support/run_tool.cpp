#include "tests/support/run_tool.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <map>

#include "tests/support/test_tree.h"

extern char** environ;

const char* toolPath() { return MOLTRABECK_TOOL_PATH; }

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

    std::vector<std::string> argTexts{programPath};
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
    return result;
}
