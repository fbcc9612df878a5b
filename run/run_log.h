// The run log: one text file shared by every run started in the same
// working directory, appended to one whole line at a time.
#pragma once

#include <cstddef>
#include <ctime>

constexpr const char* kLogFilePath = "..\\..\\Vellantra_php\\log\\MtrabeckLog.txt";
constexpr const char* kLogBackupPath = "..\\..\\Vellantra_php\\log\\MtrabeckLog.bak";

// Appends text and a line feed; rotates past the threshold. Never reports.
void writeLog(const char* path, const char* text);

// Formats into logMessage (bounded) and appends it to logFilePath.
void logFormatted(const char* format, ...) __attribute__((format(printf, 1, 2)));

// "dd.mm.yyyy hh:mm:ss" of the current local time, in a static buffer.
const char* getTimestamp();
// The same text for a given time, into out (bounded by size).
void formatTimestamp(const std::tm& time, char* out, std::size_t size);
