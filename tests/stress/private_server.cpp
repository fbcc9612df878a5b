#include "tests/stress/private_server.h"

#include <fcntl.h>
#include <mysql.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "tests/stress/tool_process.h"
#include "tests/support/test_tree.h"

namespace {

std::string shellQuoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

std::string envValue(const std::vector<std::pair<std::string, std::string>>& env, const char* name) {
    for (const auto& [key, value] : env) {
        if (key == name) return value;
    }
    return "";
}

}  // namespace

PrivateServer::~PrivateServer() { shutdown(); }

bool PrivateServer::start(std::string& error) {
    std::string pattern = (std::filesystem::temp_directory_path() / "moltrabeck-stress-db.XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        error = "cannot create a directory for the server";
        return false;
    }
    dir_ = pattern;
    const std::string command = "bash " + shellQuoted(std::string(MOLTRABECK_SOURCE_DIR) + "/scripts/test-db.sh") +
                                " start " + shellQuoted(dir_) + " </dev/null >" + shellQuoted(dir_ + "/start.log") +
                                " 2>&1";
    if (std::system(command.c_str()) != 0) {
        error = "scripts/test-db.sh start failed:\n" + readFileBytes(dir_ + "/start.log");
        return false;
    }

    std::istringstream envFile(readFileBytes(dir_ + "/env"));
    std::string line;
    while (std::getline(envFile, line)) {
        const std::string prefix = "export ";
        const std::size_t equals = line.find('=');
        if (line.compare(0, prefix.size(), prefix) != 0 || equals == std::string::npos) continue;
        env_.emplace_back(line.substr(prefix.size(), equals - prefix.size()), line.substr(equals + 1));
    }
    pid_ = static_cast<pid_t>(std::atol(readFileBytes(dir_ + "/server.pid").c_str()));
    // The command line to start it again with, exactly as the script chose it.
    const std::string cmdline = readFileBytes("/proc/" + std::to_string(pid_) + "/cmdline");
    for (std::size_t at = 0; at < cmdline.size();) {
        const std::size_t end = cmdline.find('\0', at);
        commandLine_.push_back(cmdline.substr(at, end - at));
        at = end == std::string::npos ? cmdline.size() : end + 1;
    }
    if (env_.size() < 4 || pid_ <= 0 || commandLine_.empty()) {
        error = "the server started, but " + dir_ + " does not describe it";
        return false;
    }
    return true;
}

void PrivateServer::useFromThisProcess() const {
    for (const auto& [name, value] : env_) ::setenv(name.c_str(), value.c_str(), 1);
}

bool PrivateServer::serverAlive() {
    if (pid_ <= 0) return false;
    if (ourChild_) {
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
            ourChild_ = false;
            return false;
        }
    }
    if (::kill(pid_, 0) != 0) return false;
    // A server that nobody has reaped yet has ended all the same.
    const std::string stat = readFileBytes("/proc/" + std::to_string(pid_) + "/stat");
    const std::size_t close = stat.rfind(')');
    return close == std::string::npos || stat.compare(close + 1, 3, " Z ") != 0;
}

bool PrivateServer::stop(int signal) {
    if (!serverAlive()) return true;
    ::kill(pid_, signal);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (serverAlive()) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

bool PrivateServer::restart(std::string& error) {
    if (serverAlive()) {
        error = "the server is still running";
        return false;
    }
    std::vector<char*> argv;
    for (auto& arg : commandLine_) argv.push_back(arg.data());
    argv.push_back(nullptr);
    const std::string outPath = dir_ + "/server.out";
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid < 0) {
        error = "fork failed";
        return false;
    }
    if (pid == 0) {
        const int in = ::open("/dev/null", O_RDONLY);
        const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        if (in < 0 || out < 0 || ::dup2(in, 0) < 0 || ::dup2(out, 1) < 0 || ::dup2(out, 2) < 0) ::_exit(127);
        closeInheritedDescriptors();
        ::setsid();
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    pid_ = pid;
    ourChild_ = true;
    // scripts/test-db.sh stop finds the server through this file.
    std::ofstream(dir_ + "/server.pid", std::ios::trunc) << pid_ << "\n";
    if (!waitUntilAnswering(60)) {
        error = "the server did not answer within 60 s after its restart; see " + dir_ + "/mysqld.err";
        return false;
    }
    return true;
}

bool PrivateServer::answers() const {
    MYSQL* connection = mysql_init(nullptr);
    if (connection == nullptr) return false;
    unsigned timeout = 2;
    mysql_options(connection, MYSQL_OPT_CONNECT_TIMEOUT, &timeout);
    const bool ok = mysql_real_connect(connection, nullptr, envValue(env_, "MOLTRABECK_TEST_USER").c_str(),
                                       envValue(env_, "MOLTRABECK_TEST_PASSWORD").c_str(), "KORBANIX", 0,
                                       envValue(env_, "MYSQL_UNIX_PORT").c_str(), 0) != nullptr;
    mysql_close(connection);
    return ok;
}

bool PrivateServer::waitUntilAnswering(int timeoutSeconds) const {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
    while (!answers()) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}

void PrivateServer::shutdown() {
    if (dir_.empty()) return;
    if (serverAlive()) {
        const std::string command = "bash " + shellQuoted(std::string(MOLTRABECK_SOURCE_DIR) + "/scripts/test-db.sh") +
                                    " stop " + shellQuoted(dir_) + " </dev/null >/dev/null 2>&1";
        if (std::system(command.c_str()) != 0) stop(SIGKILL);
        serverAlive();  // reaps a server this process started
    }
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
    dir_.clear();
}
