// Linux implementation of the runtime seam. The tool's files were written
// and are still delivered by Windows programs, so the streams here behave as
// the Windows C runtime's text and binary streams do: a CR LF pair is read as
// one LF, a Ctrl-Z ends text input, and every LF written becomes CR LF.
#include "platform/platform.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <new>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "run/widths.h"

namespace {

// Large enough that a 100,000-line source file costs a few hundred reads.
constexpr std::size_t kReadBufferBytes = 64 * 1024;
// A log line of kLogMessage characters doubles at most when every one of
// them is a line feed, so such a line always leaves in one write.
constexpr std::size_t kWriteBufferBytes = 2 * widths::kLogMessage;

constexpr int kCtrlZ = 0x1A;

}  // namespace

struct PlatformFile {
    int fd = -1;
    FileMode mode = FileMode::ReadBinary;
    unsigned char* buffer = nullptr;  // read modes only
    std::size_t pos = 0;              // next unread byte in buffer
    std::size_t len = 0;              // valid bytes in buffer
    long bufferStart = 0;             // file offset of buffer[0]
    bool rawEnd = false;              // read() reported end or error
    bool textEnd = false;             // a Ctrl-Z was met; cleared by a seek
};

namespace {

// Copies a path with backslashes turned into slashes. False when the path
// does not fit, so that a truncated path can never name another file.
bool nativePath(const char* path, char (&out)[widths::kPathMax]) {
    if (path == nullptr) {
        return false;
    }
    std::size_t length = std::strlen(path);
    if (length >= sizeof out) {
        return false;
    }
    for (std::size_t i = 0; i < length; ++i) {
        out[i] = path[i] == '\\' ? '/' : path[i];
    }
    out[length] = '\0';
    return true;
}

bool refill(PlatformFile* file) {
    if (file->rawEnd) {
        return false;
    }
    file->bufferStart += static_cast<long>(file->len);
    file->pos = 0;
    file->len = 0;
    for (;;) {
        ssize_t got = ::read(file->fd, file->buffer, kReadBufferBytes);
        if (got > 0) {
            file->len = static_cast<std::size_t>(got);
            return true;
        }
        if (got < 0 && errno == EINTR) {
            continue;
        }
        file->rawEnd = true;
        return false;
    }
}

inline int rawGet(PlatformFile* file) {
    if (file->pos == file->len && !refill(file)) {
        return -1;
    }
    return file->buffer[file->pos++];
}

inline int rawPeek(PlatformFile* file) {
    if (file->pos == file->len && !refill(file)) {
        return -1;
    }
    return file->buffer[file->pos];
}

// One byte as the mode delivers it.
inline int nextByte(PlatformFile* file) {
    if (file->mode != FileMode::ReadText) {
        return rawGet(file);
    }
    if (file->textEnd) {
        return -1;
    }
    int c = rawGet(file);
    if (c == kCtrlZ) {
        file->textEnd = true;
        return -1;
    }
    if (c == '\r' && rawPeek(file) == '\n') {
        ++file->pos;
        return '\n';
    }
    return c;
}

bool isReadMode(const PlatformFile* file) {
    return file != nullptr && file->mode != FileMode::AppendText;
}

int seekTo(PlatformFile* file, int whence) {
    if (file == nullptr) {
        return -1;
    }
    off_t at = ::lseek(file->fd, 0, whence);
    if (at < 0) {
        return -1;
    }
    file->bufferStart = static_cast<long>(at);
    file->pos = 0;
    file->len = 0;
    file->rawEnd = false;
    file->textEnd = false;
    return 0;
}

bool writeAll(int fd, const char* data, std::size_t size) {
    // A regular file takes the whole block in one write; the loop only
    // finishes what a signal or a full disk interrupted.
    while (size > 0) {
        ssize_t done = ::write(fd, data, size);
        if (done < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        data += done;
        size -= static_cast<std::size_t>(done);
    }
    return true;
}

}  // namespace

PlatformFile* platformOpen(const char* path, FileMode mode) {
    char native[widths::kPathMax];
    if (!nativePath(path, native)) {
        return nullptr;
    }
    int flags = O_CLOEXEC;
    if (mode == FileMode::AppendText) {
        flags |= O_WRONLY | O_APPEND | O_CREAT;
    } else {
        flags |= O_RDONLY;
    }
    int fd = ::open(native, flags, 0666);
    if (fd < 0) {
        return nullptr;
    }
    // The Windows runtime refuses to open a directory as a file.
    struct stat info;
    if (::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
        ::close(fd);
        return nullptr;
    }
    PlatformFile* file = new (std::nothrow) PlatformFile;
    if (file == nullptr) {
        ::close(fd);
        return nullptr;
    }
    file->fd = fd;
    file->mode = mode;
    if (mode != FileMode::AppendText) {
        file->buffer = new (std::nothrow) unsigned char[kReadBufferBytes];
        if (file->buffer == nullptr) {
            ::close(fd);
            delete file;
            return nullptr;
        }
    }
    return file;
}

void platformClose(PlatformFile* file) {
    if (file == nullptr) {
        return;
    }
    ::close(file->fd);
    delete[] file->buffer;
    delete file;
}

int platformGetc(PlatformFile* file) {
    if (!isReadMode(file)) {
        return -1;
    }
    return nextByte(file);
}

char* platformGets(char* buffer, int size, PlatformFile* file) {
    if (buffer == nullptr || size <= 0 || !isReadMode(file)) {
        return nullptr;
    }
    int count = 0;
    while (count < size - 1) {
        int c = nextByte(file);
        if (c < 0) {
            break;
        }
        buffer[count++] = static_cast<char>(c);
        if (c == '\n') {
            break;
        }
    }
    if (count == 0 && size > 1) {
        return nullptr;
    }
    buffer[count] = '\0';
    return buffer;
}

std::size_t platformRead(void* buffer, std::size_t size, std::size_t count, PlatformFile* file) {
    if (buffer == nullptr || size == 0 || count == 0 || !isReadMode(file)) {
        return 0;
    }
    if (count > static_cast<std::size_t>(-1) / size) {
        return 0;
    }
    std::size_t wanted = size * count;
    unsigned char* out = static_cast<unsigned char*>(buffer);
    std::size_t got = 0;
    if (file->mode == FileMode::ReadBinary) {
        while (got < wanted) {
            if (file->pos == file->len && !refill(file)) {
                break;
            }
            std::size_t chunk = file->len - file->pos;
            if (chunk > wanted - got) {
                chunk = wanted - got;
            }
            std::memcpy(out + got, file->buffer + file->pos, chunk);
            file->pos += chunk;
            got += chunk;
        }
    } else {
        while (got < wanted) {
            int c = nextByte(file);
            if (c < 0) {
                break;
            }
            out[got++] = static_cast<unsigned char>(c);
        }
    }
    return got / size;
}

int platformSeekStart(PlatformFile* file) {
    return seekTo(file, SEEK_SET);
}

int platformSeekEnd(PlatformFile* file) {
    return seekTo(file, SEEK_END);
}

long platformTell(PlatformFile* file) {
    if (file == nullptr) {
        return -1;
    }
    if (file->mode == FileMode::AppendText) {
        // Every write lands at the end, so the position is the file's size.
        struct stat info;
        if (::fstat(file->fd, &info) != 0) {
            return -1;
        }
        return static_cast<long>(info.st_size);
    }
    return file->bufferStart + static_cast<long>(file->pos);
}

int platformWriteText(PlatformFile* file, const char* text) {
    if (file == nullptr || file->mode != FileMode::AppendText || text == nullptr) {
        return -1;
    }
    char out[kWriteBufferBytes];
    bool ok = true;
    std::size_t used = 0;
    for (const char* p = text; *p != '\0' && ok; ++p) {
        // Only a text longer than any log line is split into several writes.
        if (used + 2 > kWriteBufferBytes) {
            ok = writeAll(file->fd, out, used);
            used = 0;
        }
        if (*p == '\n') {
            out[used++] = '\r';
        }
        out[used++] = *p;
    }
    if (ok && used > 0) {
        ok = writeAll(file->fd, out, used);
    }
    return ok ? 0 : -1;
}

int platformRemove(const char* path) {
    char native[widths::kPathMax];
    if (!nativePath(path, native)) {
        return -1;
    }
    // unlink, not remove: the Windows runtime's remove never deletes a directory.
    return ::unlink(native) == 0 ? 0 : -1;
}

int platformRename(const char* from, const char* to) {
    char nativeFrom[widths::kPathMax];
    char nativeTo[widths::kPathMax];
    if (!nativePath(from, nativeFrom) || !nativePath(to, nativeTo)) {
        return -1;
    }
    // The Windows runtime's rename never replaces an existing file.
    if (::renameat2(AT_FDCWD, nativeFrom, AT_FDCWD, nativeTo, RENAME_NOREPLACE) == 0) {
        return 0;
    }
    if (errno != EINVAL && errno != ENOSYS) {
        return -1;
    }
    // A file system without that flag: refuse an existing target ourselves.
    struct stat info;
    if (::lstat(nativeTo, &info) == 0) {
        return -1;
    }
    return std::rename(nativeFrom, nativeTo) == 0 ? 0 : -1;
}

bool platformLocalTime(std::tm* out) {
    if (out == nullptr) {
        return false;
    }
    std::time_t now = std::time(nullptr);
    if (now == static_cast<std::time_t>(-1)) {
        return false;
    }
    return ::localtime_r(&now, out) != nullptr;
}

int platformExitStatus(int code) {
    // The caller sees eight bits. A database error number such as 1280 would
    // otherwise arrive as 0 and a failed run would pass for a clean one.
    if (code >= 0 && code <= 255) {
        return code;
    }
    return 255;
}

void platformExit(int code) {
    std::fflush(stdout);
    std::exit(platformExitStatus(code));
}
