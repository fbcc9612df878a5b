// What the fuzz targets share: a failed check that libFuzzer records as a
// crash, and a scratch file that holds the current input for the code that
// reads files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

#define FUZZ_CHECK(condition, what)                                                   \
    do {                                                                              \
        if (!(condition)) {                                                           \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, what); \
            std::abort();                                                             \
        }                                                                             \
    } while (0)

namespace fuzz {

// True when the text ends with a NUL inside its buffer.
template <std::size_t N>
bool terminatedWithin(const char (&field)[N]) {
    return std::memchr(field, '\0', N) != nullptr;
}

// One scratch file per process, removed at exit. Each run overwrites it
// with the bytes the code under test is to read.
class ScratchFile {
public:
    const char* path() {
        if (path_[0] == '\0') create();
        return path_;
    }

    void write(const std::uint8_t* data, std::size_t size) {
        const int fd = ::open(path(), O_WRONLY | O_TRUNC);
        FUZZ_CHECK(fd >= 0, "scratch file cannot be opened");
        while (size > 0) {
            const ssize_t done = ::write(fd, data, size);
            FUZZ_CHECK(done > 0, "scratch file cannot be written");
            data += done;
            size -= static_cast<std::size_t>(done);
        }
        ::close(fd);
    }

private:
    static void removeAtExit() { ::unlink(instance()->path_); }
    static ScratchFile*& instance() {
        static ScratchFile* file = nullptr;
        return file;
    }

    void create() {
        const char* dir = std::getenv("TMPDIR");
        std::snprintf(path_, sizeof path_, "%s/moltrabeck-fuzz.XXXXXX", dir != nullptr && *dir != '\0' ? dir : "/tmp");
        const int fd = ::mkstemp(path_);
        FUZZ_CHECK(fd >= 0, "scratch file cannot be created");
        ::close(fd);
        instance() = this;
        std::atexit(removeAtExit);
    }

    char path_[512] = "";
};

}  // namespace fuzz
