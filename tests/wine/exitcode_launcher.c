/*
 * Starts a Windows program and records its whole 32-bit exit code.
 *
 *   exitcode_launcher.exe <exit-code-file> <program> [arguments...]
 *
 * Under Wine a Linux parent sees only the low byte of a Windows exit code,
 * so a database error number such as 1045 would arrive as 21. The launcher
 * runs the program with the same standard handles and working directory,
 * waits for it, and writes its exit code as a signed decimal number and a
 * line feed to <exit-code-file> (created or replaced). It then exits with the
 * same code itself. When the program cannot be started it writes nothing,
 * says why on standard error and exits with 125.
 *
 * A path that begins with "/" (a Linux path) is taken on drive Z:, which a
 * Wine prefix maps to the Linux root.
 */
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <wchar.h>

enum { kLaunchFailed = 125 };

/* A copy of path, with a Linux path turned into its Z: drive form. */
static wchar_t* windowsPath(const wchar_t* path) {
    size_t length = wcslen(path);
    wchar_t* out = (wchar_t*)calloc(length + 3, sizeof(wchar_t));
    size_t used = 0;
    size_t i;
    if (out == NULL) {
        return NULL;
    }
    if (path[0] == L'/') {
        out[used++] = L'Z';
        out[used++] = L':';
    }
    for (i = 0; i < length; ++i) {
        out[used++] = path[0] == L'/' && path[i] == L'/' ? L'\\' : path[i];
    }
    out[used] = L'\0';
    return out;
}

/* Appends one argument, quoted so that the runtime's parser of the child
 * gives it back unchanged. out must hold 2 * wcslen(arg) + 3 more characters. */
static void appendQuoted(wchar_t* out, size_t* used, const wchar_t* arg) {
    const wchar_t* p;
    if (arg[0] != L'\0' && wcspbrk(arg, L" \t\n\v\"") == NULL) {
        for (p = arg; *p != L'\0'; ++p) {
            out[(*used)++] = *p;
        }
        return;
    }
    out[(*used)++] = L'"';
    for (p = arg;; ++p) {
        size_t backslashes = 0;
        size_t k;
        while (*p == L'\\') {
            ++backslashes;
            ++p;
        }
        if (*p == L'\0') {
            /* Doubled, so that the closing quote stays a quote. */
            for (k = 0; k < 2 * backslashes; ++k) {
                out[(*used)++] = L'\\';
            }
            break;
        }
        if (*p == L'"') {
            for (k = 0; k < 2 * backslashes + 1; ++k) {
                out[(*used)++] = L'\\';
            }
        } else {
            for (k = 0; k < backslashes; ++k) {
                out[(*used)++] = L'\\';
            }
        }
        out[(*used)++] = *p;
    }
    out[(*used)++] = L'"';
}

int wmain(int argc, wchar_t** argv) {
    wchar_t* codeFile;
    wchar_t* program;
    wchar_t* commandLine;
    size_t capacity = 1;
    size_t used = 0;
    int i;
    STARTUPINFOW startup;
    PROCESS_INFORMATION process;
    DWORD exitCode = 0;
    FILE* out;

    if (argc < 3) {
        fputs("usage: exitcode_launcher <exit-code-file> <program> [arguments...]\n", stderr);
        return kLaunchFailed;
    }
    codeFile = windowsPath(argv[1]);
    program = windowsPath(argv[2]);
    if (codeFile == NULL || program == NULL) {
        fputs("exitcode_launcher: out of memory\n", stderr);
        return kLaunchFailed;
    }
    /* Each argument quoted at its longest, and a blank before it. */
    capacity += 2 * wcslen(program) + 3;
    for (i = 3; i < argc; ++i) {
        capacity += 2 * wcslen(argv[i]) + 3 + 1;
    }
    commandLine = (wchar_t*)calloc(capacity, sizeof(wchar_t));
    if (commandLine == NULL) {
        fputs("exitcode_launcher: out of memory\n", stderr);
        return kLaunchFailed;
    }
    appendQuoted(commandLine, &used, program);
    for (i = 3; i < argc; ++i) {
        commandLine[used++] = L' ';
        appendQuoted(commandLine, &used, argv[i]);
    }
    commandLine[used] = L'\0';

    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    ZeroMemory(&process, sizeof process);
    if (!CreateProcessW(program, commandLine, NULL, NULL, TRUE, 0, NULL, NULL, &startup, &process)) {
        fwprintf(stderr, L"exitcode_launcher: cannot start %ls (error %lu)\n", program,
                 (unsigned long)GetLastError());
        return kLaunchFailed;
    }
    CloseHandle(process.hThread);
    WaitForSingleObject(process.hProcess, INFINITE);
    if (!GetExitCodeProcess(process.hProcess, &exitCode)) {
        fwprintf(stderr, L"exitcode_launcher: no exit code of %ls (error %lu)\n", program,
                 (unsigned long)GetLastError());
        return kLaunchFailed;
    }
    CloseHandle(process.hProcess);

    out = _wfopen(codeFile, L"wb");
    if (out == NULL || fprintf(out, "%ld\n", (long)(LONG)exitCode) < 0 || fclose(out) != 0) {
        fwprintf(stderr, L"exitcode_launcher: cannot write %ls\n", codeFile);
        return kLaunchFailed;
    }
    return (int)exitCode;
}
