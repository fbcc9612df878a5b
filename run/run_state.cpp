#include "run/run_state.h"

#include "run/run_log.h"

char sourceType[widths::kSourceType];
char terminalName[widths::kTerminalName];
char* sourcePath = nullptr;
char lineBuffer[widths::kLineBuffer];
char logMessage[widths::kLogMessage];
int debugMode = 0;
int logEnabled = 0;
int runStatus = 0;
const char* logFilePath = kLogFilePath;
const char* logBackupPath = kLogBackupPath;
