#include "run/run_log.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "platform/platform.h"
#include "run/run_state.h"
#include "run/widths.h"

namespace {

// The line and its line feed go to the file in one write, so that runs
// sharing the log never split each other's lines.
void appendLine(PlatformFile* file, const char* text) {
    char line[widths::kLogMessage + 1];
    std::size_t length = std::strlen(text);
    if (length + 1 < sizeof line) {
        std::memcpy(line, text, length);
        line[length] = '\n';
        line[length + 1] = '\0';
        platformWriteText(file, line);
        return;
    }
    platformWriteText(file, text);
    platformWriteText(file, "\n");
}

}  // namespace

void writeLog(const char* path, const char* text) {
    if (logEnabled == 0) {
        return;
    }
    PlatformFilePtr file(platformOpen(path, FileMode::AppendText));
    if (!file) {
        return;
    }
    appendLine(file.get(), text != nullptr ? text : "");
    long size = platformTell(file.get());
    file.reset();
    // The line that crosses the threshold goes with the old log into the
    // backup; the next line starts a new log. Failures leave the log as it
    // is, and the next line tries again.
    if (size > widths::kLogRotateBytes) {
        platformRemove(logBackupPath);
        platformRename(path, logBackupPath);
    }
}

void logFormatted(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::vsnprintf(logMessage, sizeof logMessage, format, args);
    va_end(args);
    writeLog(logFilePath, logMessage);
}

namespace {

// Keeps each field to its digits, so that the text always has its shape.
unsigned digits(int value, unsigned limit) {
    return value < 0 ? 0u : static_cast<unsigned>(value) % limit;
}

}  // namespace

void formatTimestamp(const std::tm& time, char* out, std::size_t size) {
    std::snprintf(out, size, "%02u.%02u.%04u %02u:%02u:%02u", digits(time.tm_mday, 100),
                  digits(time.tm_mon + 1, 100), digits(time.tm_year + 1900, 10000),
                  digits(time.tm_hour, 100), digits(time.tm_min, 100), digits(time.tm_sec, 100));
}

const char* getTimestamp() {
    static char timestamp[widths::kTimestamp];
    std::tm now{};
    if (!platformLocalTime(&now)) {
        // Keep the shape of the start line even without a clock.
        now.tm_mday = 1;
        now.tm_year = 70;
    }
    formatTimestamp(now, timestamp, sizeof timestamp);
    return timestamp;
}
