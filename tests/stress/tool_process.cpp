#include "tests/stress/tool_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <thread>

#include "tests/support/run_tool.h"
#include "tests/support/test_tree.h"

void closeInheritedDescriptors() {
    long limit = ::sysconf(_SC_OPEN_MAX);
    if (limit < 0 || limit > 65536) limit = 65536;
    for (int fd = 3; fd < limit; ++fd) ::close(fd);
}

ToolProcess::ToolProcess(const TestTree& tree, const std::vector<std::string>& args, const std::string& stdoutPath) {
    // Everything the child needs is built before fork.
    std::vector<std::string> argTexts{toolPath()};
    argTexts.insert(argTexts.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& text : argTexts) argv.push_back(text.data());
    argv.push_back(nullptr);
    const std::string workDir = tree.workDir();

    std::fflush(nullptr);
    pid_ = ::fork();
    if (pid_ != 0) return;
    const int in = ::open("/dev/null", O_RDONLY);
    const int out = ::open(stdoutPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (in < 0 || out < 0 || ::dup2(in, 0) < 0 || ::dup2(out, 1) < 0 || ::chdir(workDir.c_str()) != 0) {
        ::_exit(127);
    }
    closeInheritedDescriptors();
    ::execv(argv[0], argv.data());
    ::_exit(127);
}

ToolProcess::~ToolProcess() {
    if (pid_ > 0 && !ended_) {
        ::kill(pid_, SIGKILL);
        wait(10);
    }
}

void ToolProcess::reaped(int status) {
    ended_ = true;
    if (WIFEXITED(status)) {
        end_.exited = true;
        end_.exitCode = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        end_.signal = WTERMSIG(status);
    }
}

bool ToolProcess::running() {
    if (pid_ <= 0 || ended_) return false;
    int status = 0;
    const pid_t got = ::waitpid(pid_, &status, WNOHANG);
    if (got == pid_) {
        reaped(status);
        return false;
    }
    return got == 0;
}

ToolEnd ToolProcess::wait(int timeoutSeconds) {
    if (pid_ <= 0) return end_;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
    while (running()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            ::kill(pid_, SIGKILL);
            int status = 0;
            while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
            }
            reaped(status);
            end_.timedOut = true;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return end_;
}
