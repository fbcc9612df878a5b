// The run log: one text file shared by every run started in the same
// working directory, appended to one whole line at a time.
#pragma once

constexpr const char* kLogFilePath = "..\\..\\Vellantra_php\\log\\MtrabeckLog.txt";
constexpr const char* kLogBackupPath = "..\\..\\Vellantra_php\\log\\MtrabeckLog.bak";

// Appends text and a line feed; rotates past the threshold. Never reports.
void writeLog(const char* path, const char* text);

// Formats into logMessage (bounded) and appends it to logFilePath.
void logFormatted(const char* format, ...) __attribute__((format(printf, 1, 2)));

// "dd.mm.yyyy hh:mm:ss" of the current local time, in a static buffer.
const char* getTimestamp();
