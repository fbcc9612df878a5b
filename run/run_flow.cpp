#include "run/run_flow.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "db/db_session.h"
#include "formats/importers.h"
#include "platform/platform.h"
#include "run/checkinhalt.h"
#include "run/console_texts.h"
#include "run/run_log.h"
#include "run/run_state.h"
#include "run/widths.h"

namespace {

constexpr int kExitArguments = 98;
constexpr int kExitSourceMissing = 90;
constexpr int kExitNoMemory = 1;

constexpr const char* kStartSeparator = "\n\n========================================>";
constexpr const char* kEndSeparator = "<========================================";
constexpr const char* kSourceMissing = "Quelldatei auf Server nicht gefunden\n";
constexpr const char* kTerminalError = "Parameterfehler(Terminalname)";
constexpr const char* kTerminalErrorLog = "Parameterfehler(Terminalname)\n";

void releaseSourcePath() {
    std::free(sourcePath);
    sourcePath = nullptr;
}

bool isSwitchInsteadOfTerminal(const char* terminal) {
    return std::strcmp(terminal, "/D") == 0 || std::strcmp(terminal, "/d") == 0;
}

int importByType(PlatformFile* file) {
    if (std::strcmp(sourceType, "DTA") == 0) {
        return importDta(file);
    }
    if (std::strcmp(sourceType, "40P") == 0) {
        return import40p(file);
    }
    if (std::strcmp(sourceType, "50P") == 0) {
        return import50p(file);
    }
    if (std::strcmp(sourceType, "62P") == 0) {
        return import62p(file);
    }
    logFormatted("\nunbekannter Dateityp : %s", sourceType);
    std::fputs("\nunbekannter Dateityp!!", stdout);
    return runStatus;
}

}  // namespace

int runMoltrabeck(int argc, char** argv) {
    if (argc < 4) {
        std::fputs("Parameterfehler", stdout);
        printBanner();
        printUsage();
        return kExitArguments;
    }

    std::memset(sourceType, 0, sizeof sourceType);
    strUpper(argv[2]);
    for (std::size_t i = 0; i + 1 < sizeof sourceType && argv[2][i] != '\0'; ++i) {
        sourceType[i] = argv[2][i];
    }

    logFilePath = kLogFilePath;
    logBackupPath = kLogBackupPath;
    logEnabled = 1;

    writeLog(logFilePath, kStartSeparator);
    logFormatted("Start : %s", getTimestamp());

    if (argc > 4) {
        strUpper(argv[4]);
        if (std::strcmp(argv[4], "/D") == 0) {
            debugMode = 1;
        }
    }

    runStatus = dbConnect();
    if (runStatus != 0) {
        logFormatted("dbConnect-Fehler: %d", runStatus);
        return runStatus;
    }

    std::size_t pathLength = std::strlen(argv[1]);
    sourcePath = static_cast<char*>(std::calloc(pathLength + 1, 1));
    if (sourcePath == nullptr) {
        return kExitNoMemory;
    }
    std::memcpy(sourcePath, argv[1], pathLength);
    logFormatted("\nEinlesen Datei %s", sourcePath);

    FileMode mode = std::strcmp(sourceType, "DTA") == 0 ? FileMode::ReadText : FileMode::ReadBinary;
    PlatformFilePtr source(platformOpen(sourcePath, mode));
    if (!source) {
        writeLog(logFilePath, kSourceMissing);
        if (debugMode) {
            std::fputs(kSourceMissing, stdout);
        }
        releaseSourcePath();
        return kExitSourceMissing;
    }

    runStatus = checkinhalt(source.get());
    if (runStatus == 1) {
        writeLog(logFilePath, "Die Quelldatei ist leer!");
    } else if (runStatus == 2) {
        writeLog(logFilePath, "Die Quelldatei enthaelt nur Datenmuell!");
        writeLog(logFilePath, "Die Quelldatei wird anschliessend geloescht!");
        source.reset();
        releaseSourcePath();
        return 0;
    }

    std::memset(terminalName, 0, sizeof terminalName);
    const char* terminal = argv[3];
    if (std::strlen(terminal) >= sizeof terminalName || isSwitchInsteadOfTerminal(terminal)) {
        writeLog(logFilePath, kTerminalErrorLog);
        std::fputs(kTerminalError, stdout);
        releaseSourcePath();
        return kExitArguments;
    }
    std::memcpy(terminalName, terminal, std::strlen(terminal));

    runStatus = importByType(source.get());

    source.reset();
    // A run that ends with 0 must have committed its bookings, so a failed
    // COMMIT is recorded and becomes the result unless an insert failed first.
    int commitStatus = dbCommit();
    if (commitStatus != 0) {
        logFormatted("COMMIT-Fehler: %d", commitStatus);
        if (runStatus == 0) {
            runStatus = commitStatus;
        }
    }
    releaseSourcePath();
    if (debugMode) {
        std::fputs("\n", stdout);
    }
    writeLog(logFilePath, "\nENDE");
    writeLog(logFilePath, kEndSeparator);
    return runStatus;
}
