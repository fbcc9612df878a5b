// Windows implementation of the runtime seam: the C runtime's own streams.
// Text mode ("r", "a") already reads CR LF as LF, stops at Ctrl-Z and writes
// every LF as CR LF, and the runtime takes backslash paths as they are, so
// this file only wraps the calls and keeps their results in the interface's
// terms.
#include "platform/platform.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <new>

#include "run/widths.h"

namespace {

// The stream buffer of the run log holds the longest line with every
// character a line feed, so that one line leaves the stream in one write.
constexpr std::size_t kAppendBufferBytes = 2 * widths::kLogMessage + 2;

const char* modeText(FileMode mode) {
    switch (mode) {
    case FileMode::ReadText:
        return "r";
    case FileMode::ReadBinary:
        return "rb";
    case FileMode::AppendText:
        return "a";
    }
    return nullptr;
}

}  // namespace

struct PlatformFile {
    std::FILE* stream = nullptr;
    FileMode mode = FileMode::ReadBinary;
};

namespace {

bool isReadMode(const PlatformFile* file) {
    return file != nullptr && file->mode != FileMode::AppendText;
}

}  // namespace

PlatformFile* platformOpen(const char* path, FileMode mode) {
    const char* how = modeText(mode);
    if (path == nullptr || how == nullptr) {
        return nullptr;
    }
    PlatformFile* file = new (std::nothrow) PlatformFile;
    if (file == nullptr) {
        return nullptr;
    }
    file->stream = std::fopen(path, how);
    if (file->stream == nullptr) {
        delete file;
        return nullptr;
    }
    file->mode = mode;
    if (mode == FileMode::AppendText) {
        // Should this fail, the default buffer writes the same bytes in pieces.
        std::setvbuf(file->stream, nullptr, _IOFBF, kAppendBufferBytes);
    }
    return file;
}

void platformClose(PlatformFile* file) {
    if (file == nullptr) {
        return;
    }
    std::fclose(file->stream);
    delete file;
}

int platformGetc(PlatformFile* file) {
    if (!isReadMode(file)) {
        return -1;
    }
    int c = std::fgetc(file->stream);
    return c == EOF ? -1 : c;
}

char* platformGets(char* buffer, int size, PlatformFile* file) {
    if (buffer == nullptr || size <= 0 || !isReadMode(file)) {
        return nullptr;
    }
    return std::fgets(buffer, size, file->stream);
}

std::size_t platformRead(void* buffer, std::size_t size, std::size_t count, PlatformFile* file) {
    if (buffer == nullptr || size == 0 || count == 0 || !isReadMode(file)) {
        return 0;
    }
    return std::fread(buffer, size, count, file->stream);
}

int platformSeekStart(PlatformFile* file) {
    if (file == nullptr) {
        return -1;
    }
    return std::fseek(file->stream, 0L, SEEK_SET) == 0 ? 0 : -1;
}

int platformSeekEnd(PlatformFile* file) {
    if (file == nullptr) {
        return -1;
    }
    return std::fseek(file->stream, 0L, SEEK_END) == 0 ? 0 : -1;
}

long platformTell(PlatformFile* file) {
    if (file == nullptr) {
        return -1;
    }
    return std::ftell(file->stream);
}

int platformWriteText(PlatformFile* file, const char* text) {
    if (file == nullptr || file->mode != FileMode::AppendText || text == nullptr) {
        return -1;
    }
    // Flushed at once: the line is in the file before the run goes on, and
    // the position that platformTell reports afterwards is the file's size.
    if (std::fputs(text, file->stream) == EOF) {
        return -1;
    }
    return std::fflush(file->stream) == 0 ? 0 : -1;
}

int platformRemove(const char* path) {
    if (path == nullptr) {
        return -1;
    }
    return std::remove(path) == 0 ? 0 : -1;
}

int platformRename(const char* from, const char* to) {
    if (from == nullptr || to == nullptr) {
        return -1;
    }
    return std::rename(from, to) == 0 ? 0 : -1;
}

bool platformLocalTime(std::tm* out) {
    if (out == nullptr) {
        return false;
    }
    std::time_t now = std::time(nullptr);
    if (now == static_cast<std::time_t>(-1)) {
        return false;
    }
    return localtime_s(out, &now) == 0;
}

int platformExitStatus(int code) {
    // A Windows exit code holds 32 bits: database error numbers such as 1045
    // reach the caller whole.
    return code;
}

void platformExit(int code) {
    std::fflush(stdout);
    std::exit(platformExitStatus(code));
}
