// moltrabeck-ini: writes and inspects the configuration file that holds the
// database connection settings, with its values encrypted exactly as the
// tool decrypts them.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "config/value_cipher.h"
#include "run/widths.h"

namespace {

constexpr int kExitOk = 0;
constexpr int kExitIo = 1;
constexpr int kExitUsage = 2;

// The reader keeps at most 200 characters of a value. A value of n characters
// is stored as 16 hex characters per started 8 bytes, so 12 blocks (192 hex
// characters, 96 characters of text) is the most that survives whole.
constexpr std::size_t kValueHexMax = widths::kIniField - 1;
constexpr std::size_t kValueMaxChars = kValueHexMax / 16 * 8;
static_assert(kValueMaxChars == 96, "documented in the usage text");

// Every pair needs a section text and a non-zero number: the connection setup
// asks with an empty section and number 0, so either of those would make a
// pair answer every key.
constexpr const char* kSectionLine = ";Datenbank;\r\n";

const char kUsage[] =
    "Usage:\n"
    "  moltrabeck-ini encrypt TEXT\n"
    "      Prints the encrypted hex form of TEXT.\n"
    "  moltrabeck-ini decrypt HEX\n"
    "      Prints the text that HEX decrypts to.\n"
    "  moltrabeck-ini write --login USER --pass PASSWORD [--host HOST] [--force] FILE\n"
    "      Writes a complete configuration file (Windows line ends) with the\n"
    "      entries LOGIN, PASS and, with --host, NET8. The tool expects it at\n"
    "      ..\\..\\Files\\Vellantra.Ini relative to its working directory.\n"
    "      USER and PASSWORD may hold at most 96 characters each (a longer value\n"
    "      does not survive the reader), HOST at most 41 (the tool ignores a\n"
    "      longer host); none may contain a line break. An existing FILE is only\n"
    "      replaced with --force.\n"
    "  moltrabeck-ini --help\n"
    "\n"
    "Exit status: 0 done, 1 the file could not be written, 2 usage error or\n"
    "refused value.\n";

int usageError(const char* message) {
    if (message != nullptr) {
        std::fprintf(stderr, "moltrabeck-ini: %s\n", message);
    }
    std::fputs(kUsage, stderr);
    return kExitUsage;
}

int finishOutput() {
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fprintf(stderr, "moltrabeck-ini: cannot write to standard output\n");
        return kExitIo;
    }
    return kExitOk;
}

bool encryptToHex(const char* text, std::string& hex) {
    std::vector<char> buffer((std::strlen(text) / 8 + 1) * 16 + 1);
    if (!encryptValue(text, buffer.data(), buffer.size(), kConfigKey)) {
        return false;
    }
    hex = buffer.data();
    return true;
}

int runEncrypt(const char* text) {
    std::string hex;
    if (!encryptToHex(text, hex)) {
        std::fprintf(stderr, "moltrabeck-ini: cannot encrypt the text\n");
        return kExitIo;
    }
    std::printf("%s\n", hex.c_str());
    return finishOutput();
}

int runDecrypt(const char* hex) {
    std::vector<char> text(std::strlen(hex) / 2 + 9);
    decryptValue(hex, text.data(), text.size(), kConfigKey);
    std::printf("%s\n", text.data());
    return finishOutput();
}

struct WriteRequest {
    const char* login = nullptr;
    const char* pass = nullptr;
    const char* host = nullptr;
    const char* file = nullptr;
    bool force = false;
};

// Refuses what the reader could not give back exactly. Returns false after
// printing the reason.
bool checkValue(const char* option, const char* value, std::size_t maxChars, const char* why) {
    if (std::strpbrk(value, "\r\n") != nullptr) {
        std::fprintf(stderr, "moltrabeck-ini: the value of %s must not contain a line break\n",
                     option);
        return false;
    }
    const std::size_t length = std::strlen(value);
    if (length > maxChars) {
        std::fprintf(stderr,
                     "moltrabeck-ini: the value of %s has %lu characters; at most %lu are "
                     "possible (%s)\n",
                     option, static_cast<unsigned long>(length),
                     static_cast<unsigned long>(maxChars), why);
        return false;
    }
    return true;
}

bool parseWrite(int argc, char** argv, WriteRequest& request) {
    bool optionsDone = false;
    for (int i = 2; i < argc; ++i) {
        const char* arg = argv[i];
        const char** target = nullptr;
        if (!optionsDone && std::strcmp(arg, "--") == 0) {
            optionsDone = true;
            continue;
        }
        if (!optionsDone && std::strcmp(arg, "--force") == 0) {
            request.force = true;
            continue;
        }
        if (!optionsDone && std::strcmp(arg, "--login") == 0) {
            target = &request.login;
        } else if (!optionsDone && std::strcmp(arg, "--pass") == 0) {
            target = &request.pass;
        } else if (!optionsDone && std::strcmp(arg, "--host") == 0) {
            target = &request.host;
        } else if (!optionsDone && std::strncmp(arg, "--", 2) == 0) {
            std::fprintf(stderr, "moltrabeck-ini: unknown option %s\n", arg);
            return false;
        }
        if (target != nullptr) {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "moltrabeck-ini: %s needs a value\n", arg);
                return false;
            }
            if (*target != nullptr) {
                std::fprintf(stderr, "moltrabeck-ini: %s given twice\n", arg);
                return false;
            }
            *target = argv[++i];
            continue;
        }
        if (request.file != nullptr) {
            std::fprintf(stderr, "moltrabeck-ini: more than one file given\n");
            return false;
        }
        request.file = arg;
    }
    if (request.login == nullptr || request.pass == nullptr || request.file == nullptr) {
        std::fprintf(stderr, "moltrabeck-ini: write needs --login, --pass and a file\n");
        return false;
    }
    return true;
}

bool appendEntry(std::string& content, int number, const char* key, const char* value) {
    std::string hex;
    if (!encryptToHex(value, hex)) {
        return false;
    }
    content += kSectionLine;
    content += std::to_string(number) + ";" + key + ";" + hex + "\r\n";
    return true;
}

bool fileExists(const char* path) {
    std::FILE* probe = std::fopen(path, "rb");
    if (probe == nullptr) {
        // Present but unreadable still counts; any other failure shows when
        // the file is created.
        return errno == EACCES;
    }
    std::fclose(probe);
    return true;
}

int runWrite(int argc, char** argv) {
    WriteRequest request;
    if (!parseWrite(argc, argv, request)) {
        return usageError(nullptr);
    }
    static const char kTooLongToRead[] = "a longer value does not survive the reader";
    if (!checkValue("--login", request.login, kValueMaxChars, kTooLongToRead) ||
        !checkValue("--pass", request.pass, kValueMaxChars, kTooLongToRead) ||
        (request.host != nullptr &&
         !checkValue("--host", request.host, widths::kHostMaxChars,
                     "the tool ignores a longer host"))) {
        return kExitUsage;
    }

    std::string content;
    if (!appendEntry(content, 1, "LOGIN", request.login) ||
        !appendEntry(content, 2, "PASS", request.pass) ||
        (request.host != nullptr && !appendEntry(content, 3, "NET8", request.host))) {
        std::fprintf(stderr, "moltrabeck-ini: cannot encrypt the values\n");
        return kExitIo;
    }

    if (!request.force && fileExists(request.file)) {
        std::fprintf(stderr, "moltrabeck-ini: %s exists; use --force to replace it\n",
                     request.file);
        return kExitUsage;
    }
#if defined(_WIN32)
    const char* mode = "wb";
#else
    // Exclusive creation closes the gap between the check above and the open.
    const char* mode = request.force ? "wb" : "wbx";
#endif
    std::FILE* out = std::fopen(request.file, mode);
    if (out == nullptr) {
        const int error = errno;
        std::fprintf(stderr, "moltrabeck-ini: cannot create %s: %s\n", request.file,
                     std::strerror(error));
        return error == EEXIST ? kExitUsage : kExitIo;
    }
    const bool written = std::fwrite(content.data(), 1, content.size(), out) == content.size();
    const bool closed = std::fclose(out) == 0;
    if (!written || !closed) {
        std::fprintf(stderr, "moltrabeck-ini: cannot write %s\n", request.file);
        // A half-written file would be read as a configuration; leave none.
        std::remove(request.file);
        return kExitIo;
    }
    return kExitOk;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        return usageError(nullptr);
    }
    const char* command = argv[1];
    if (std::strcmp(command, "--help") == 0 || std::strcmp(command, "-h") == 0) {
        std::fputs(kUsage, stdout);
        return finishOutput();
    }
    if (std::strcmp(command, "encrypt") == 0 || std::strcmp(command, "decrypt") == 0) {
        if (argc != 3) {
            return usageError("expected exactly one argument");
        }
        return command[0] == 'e' ? runEncrypt(argv[2]) : runDecrypt(argv[2]);
    }
    if (std::strcmp(command, "write") == 0) {
        return runWrite(argc, argv);
    }
    return usageError("unknown command");
}
