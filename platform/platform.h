// The one seam between the tool and the operating system's C runtime.
//
// The tool was born as a Windows console program: its source files, its
// configuration file and its run log are read and written with the semantics
// of that runtime's text and binary streams, and its paths use backslashes.
// Each platform implements this interface in one file of its own; nothing
// outside platform/ opens a file where the mode matters.
#pragma once

#include <cstddef>
#include <ctime>
#include <memory>

struct PlatformFile;

enum class FileMode {
    ReadText,    // CR LF arrives as LF, a lone CR unchanged, 0x1A ends the input
    ReadBinary,  // every byte unchanged
    AppendText,  // created when missing; every LF written becomes CR LF
};

// Opens a file; backslashes in the path are the platform's business.
// Returns nullptr when the file cannot be opened.
PlatformFile* platformOpen(const char* path, FileMode mode);
void platformClose(PlatformFile* file);

// Next byte (0..255) as the mode delivers it, or -1 at the end of the input.
int platformGetc(PlatformFile* file);
// fgets semantics: at most size-1 characters (counted after translation),
// stops after a line feed, always terminates; nullptr when nothing was read.
char* platformGets(char* buffer, int size, PlatformFile* file);
// fread semantics on the delivered bytes: the number of whole items read.
std::size_t platformRead(void* buffer, std::size_t size, std::size_t count, PlatformFile* file);

// Positions count raw bytes of the file in every mode. 0 on success, -1 on failure.
int platformSeekStart(PlatformFile* file);
int platformSeekEnd(PlatformFile* file);
long platformTell(PlatformFile* file);

// Appends the text (AppendText files). The whole text reaches the file in one
// write, so lines of concurrent writers never interleave. 0 on success, -1 on failure.
int platformWriteText(PlatformFile* file, const char* text);

int platformRemove(const char* path);
int platformRename(const char* from, const char* to);

// Current local time; false when the clock cannot be read.
bool platformLocalTime(std::tm* out);

// The status a caller of the process sees for the tool's exit code.
int platformExitStatus(int code);
// Flushes the console and ends the process with platformExitStatus(code).
[[noreturn]] void platformExit(int code);

struct PlatformFileCloser {
    void operator()(PlatformFile* file) const { platformClose(file); }
};
using PlatformFilePtr = std::unique_ptr<PlatformFile, PlatformFileCloser>;
