// Windows implementation of the runtime seam. Files are read with the C
// runtime's own streams: text mode ("r") already reads CR LF as LF and stops
// at Ctrl-Z, and the runtime takes backslash paths as they are.
//
// The run log is the exception. The runtime's append stream seeks to the end
// and then writes, in as many pieces as its buffer takes, so two runs sharing
// the log could split or overwrite each other's lines. The log is therefore
// opened for append-only access, which makes the system place every write at
// the end of the file, and each text goes out in one WriteFile with its line
// feeds already turned into CR LF: the same bytes the text stream would write.
// Writers take turns through a file lock (see writeAll).
#include "platform/platform.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <new>

#include "run/widths.h"

namespace {

// A log line of kLogMessage characters doubles at most when every one of
// them is a line feed, so such a line always leaves in one write.
constexpr std::size_t kWriteBufferBytes = 2 * widths::kLogMessage;

const char* readModeText(FileMode mode) {
    switch (mode) {
    case FileMode::ReadText:
        return "r";
    case FileMode::ReadBinary:
        return "rb";
    case FileMode::AppendText:
        break;
    }
    return nullptr;
}

}  // namespace

struct PlatformFile {
    std::FILE* stream = nullptr;           // read modes
    HANDLE handle = INVALID_HANDLE_VALUE;  // AppendText
    FileMode mode = FileMode::ReadBinary;
};

namespace {

bool isReadMode(const PlatformFile* file) {
    return file != nullptr && file->mode != FileMode::AppendText;
}

}  // namespace

namespace {

// Writers of the log take turns through an exclusive lock on one byte far
// beyond the end of any log, which no read or write touches. Windows itself
// puts each append-only write at the end in one piece; the lock keeps that
// promise also where append-only access is emulated by asking for the size
// and then writing at that position (Wine), and costs an uncontended lock
// elsewhere.
constexpr DWORD kTurnLockOffsetHigh = 0x40000000;  // byte 2^62

// Append-only access; reading is asked for only because locking needs it.
// Shared as the runtime's streams share a file, and for deletion too, so
// that another run can rotate the log while this one holds it open.
HANDLE openForAppend(const char* path) {
    return CreateFileA(path, FILE_APPEND_DATA | FILE_READ_DATA,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

bool writeAll(HANDLE handle, const char* data, std::size_t size) {
    OVERLAPPED turn{};
    turn.OffsetHigh = kTurnLockOffsetHigh;
    // Without the lock the text is still written: better than dropping it.
    const bool locked = LockFileEx(handle, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &turn) != 0;
    DWORD written = 0;
    const bool ok = WriteFile(handle, data, static_cast<DWORD>(size), &written, nullptr) != 0 && written == size;
    if (locked) {
        UnlockFileEx(handle, 0, 1, 0, &turn);
    }
    return ok;
}

}  // namespace

PlatformFile* platformOpen(const char* path, FileMode mode) {
    if (path == nullptr) {
        return nullptr;
    }
    PlatformFile* file = new (std::nothrow) PlatformFile;
    if (file == nullptr) {
        return nullptr;
    }
    file->mode = mode;
    if (mode == FileMode::AppendText) {
        file->handle = openForAppend(path);
        if (file->handle == INVALID_HANDLE_VALUE) {
            delete file;
            return nullptr;
        }
        return file;
    }
    const char* how = readModeText(mode);
    file->stream = how != nullptr ? std::fopen(path, how) : nullptr;
    if (file->stream == nullptr) {
        delete file;
        return nullptr;
    }
    return file;
}

void platformClose(PlatformFile* file) {
    if (file == nullptr) {
        return;
    }
    if (file->stream != nullptr) {
        std::fclose(file->stream);
    }
    if (file->handle != INVALID_HANDLE_VALUE) {
        CloseHandle(file->handle);
    }
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

namespace {

int seekTo(PlatformFile* file, int whence, DWORD method) {
    if (file == nullptr) {
        return -1;
    }
    if (file->mode == FileMode::AppendText) {
        // Writes land at the end whatever the position; kept for symmetry.
        LARGE_INTEGER zero{};
        return SetFilePointerEx(file->handle, zero, nullptr, method) != 0 ? 0 : -1;
    }
    return std::fseek(file->stream, 0L, whence) == 0 ? 0 : -1;
}

}  // namespace

int platformSeekStart(PlatformFile* file) {
    return seekTo(file, SEEK_SET, FILE_BEGIN);
}

int platformSeekEnd(PlatformFile* file) {
    return seekTo(file, SEEK_END, FILE_END);
}

long platformTell(PlatformFile* file) {
    if (file == nullptr) {
        return -1;
    }
    if (file->mode == FileMode::AppendText) {
        // Every write lands at the end, so the position is the file's size.
        LARGE_INTEGER size{};
        if (GetFileSizeEx(file->handle, &size) == 0 || size.QuadPart > LONG_MAX) {
            return -1;
        }
        return static_cast<long>(size.QuadPart);
    }
    return std::ftell(file->stream);
}

int platformWriteText(PlatformFile* file, const char* text) {
    if (file == nullptr || file->mode != FileMode::AppendText || text == nullptr) {
        return -1;
    }
    // Nothing is buffered between calls: the text is in the file before the
    // run goes on.
    char out[kWriteBufferBytes];
    bool ok = true;
    std::size_t used = 0;
    for (const char* p = text; *p != '\0' && ok; ++p) {
        // Only a text longer than any log line is split into several writes.
        if (used + 2 > kWriteBufferBytes) {
            ok = writeAll(file->handle, out, used);
            used = 0;
        }
        if (*p == '\n') {
            out[used++] = '\r';
        }
        out[used++] = *p;
    }
    if (ok && used > 0) {
        ok = writeAll(file->handle, out, used);
    }
    return ok ? 0 : -1;
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
