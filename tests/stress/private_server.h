// A database server of a test's own, started through scripts/test-db.sh, that
// the test may stop, crash and start again without disturbing the server the
// rest of the suite shares. Its data survive a restart: the server comes
// back with the same data directory, socket, port and command line.
#pragma once

#include <sys/types.h>

#include <string>
#include <utility>
#include <vector>

class PrivateServer {
public:
    PrivateServer() = default;
    // Shuts the server down and removes its directory.
    ~PrivateServer();
    PrivateServer(const PrivateServer&) = delete;
    PrivateServer& operator=(const PrivateServer&) = delete;

    // Starts a fresh server (schema loaded); false with a reason on failure.
    bool start(std::string& error);
    // Points this process and every child it starts at the server: the
    // client library's socket and port variables and the test credentials.
    void useFromThisProcess() const;

    // Sends the signal (SIGTERM: orderly shutdown, SIGKILL: crash) and waits
    // until the server has gone; false when it is still there after 60 s.
    bool stop(int signal);
    // Starts the stopped server again and waits until it answers.
    bool restart(std::string& error);
    // Whether a client can log in now.
    bool answers() const;

    const std::string& directory() const { return dir_; }

private:
    bool waitUntilAnswering(int timeoutSeconds) const;
    bool serverAlive();
    void shutdown();

    std::string dir_;
    std::vector<std::pair<std::string, std::string>> env_;
    std::vector<std::string> commandLine_;
    pid_t pid_ = -1;
    bool ourChild_ = false;
};
