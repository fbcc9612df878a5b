// The tool started in the background, so that a test can act on the run
// (kill it, cut its connection, stop its server) while it imports.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

class TestTree;

struct ToolEnd {
    bool exited = false;   // ended through exit; exitCode holds the status
    int exitCode = -1;
    int signal = 0;        // the signal that ended it, when it did not exit
    bool timedOut = false; // killed by wait() after its timeout
};

// Closes every descriptor from 3 up, so that a child started from a test
// holds no pipe of the test runner and no connection of the test open.
void closeInheritedDescriptors();

class ToolProcess {
public:
    // Starts moltrabeck with these arguments in the tree's working directory:
    // standard input /dev/null, standard output into the file stdoutPath.
    ToolProcess(const TestTree& tree, const std::vector<std::string>& args, const std::string& stdoutPath);
    // A process still running is killed and reaped.
    ~ToolProcess();
    ToolProcess(const ToolProcess&) = delete;
    ToolProcess& operator=(const ToolProcess&) = delete;

    bool started() const { return pid_ > 0; }
    pid_t pid() const { return pid_; }
    // Whether it still runs (reaps it when it has ended).
    bool running();
    // Waits for the end; after timeoutSeconds it is killed with SIGKILL and
    // reported as timed out.
    ToolEnd wait(int timeoutSeconds);

private:
    void reaped(int status);

    pid_t pid_ = -1;
    bool ended_ = false;
    ToolEnd end_;
};
