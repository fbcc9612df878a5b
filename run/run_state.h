// Global run state of one process: set by the run flow, read by the importers.
#pragma once

#include "run/widths.h"

extern char sourceType[widths::kSourceType];
extern char terminalName[widths::kTerminalName];
extern char* sourcePath;
extern char lineBuffer[widths::kLineBuffer];
extern char logMessage[widths::kLogMessage];
extern int debugMode;
extern int logEnabled;
extern int runStatus;
extern const char* logFilePath;
extern const char* logBackupPath;
