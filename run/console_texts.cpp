#include "run/console_texts.h"

#include <cstdio>

void printBanner() {
    std::fputs("\n", stdout);
    std::fputs("******************************************************\n", stdout);
    std::fputs("** Import von Buchungsdateien in die Datenbank      **\n", stdout);
    std::fputs("** Projekt     : VELLANTRA                          **\n", stdout);
    std::fputs("** Tool        : Moltrabeck                         **\n", stdout);
    std::fputs("** Beschreibung:  Kopieren der 'Bewegungsdaten.dta' **\n", stdout);
    std::fputs("**                 in die Datenbank                 **\n", stdout);
    std::fputs("**                                                  **\n", stdout);
    std::fputs("******************************************************\n", stdout);
    std::fputs("\n", stdout);
}

void printUsage() {
    std::fputs("Befehlsformat: \n", stdout);
    std::fputs("Moltrabeck.exe  <Quelle> <Typ> <Terminal> [Debugmode] ", stdout);
    std::fputs("\n", stdout);
    std::fputs("  Typ  : Art der Quelldatei\n", stdout);
    std::fputs("        'dta' : Typ .dta \n", stdout);
    std::fputs("        '40p' : Typ rixdo40p \n", stdout);
    std::fputs("        '50p' :     rixdo50p \n", stdout);
    std::fputs("        '62p' :     rixdo62p \n", stdout);
    std::fputs("  Terminal  : Name des Quellterminals \n ", stdout);
    std::fputs("  Debugmode : /D : Ausgabe von Statusmeldungen im DOS-Fenster \n", stdout);
    std::fputs("\n", stdout);
    std::fputs("Beispiel:\n", stdout);
    std::fputs("Moltrabeck  Bewegungsdaten.dta dta TRM7302 /D  \n", stdout);
}

char* strUpper(char* text) {
    // Only a to z: the bytes of names and paths above 127 belong to the
    // Windows code page and must pass unchanged whatever the locale.
    for (char* p = text; p != nullptr && *p != '\0'; ++p) {
        if (*p >= 'a' && *p <= 'z') {
            *p = static_cast<char>(*p - 'a' + 'A');
        }
    }
    return text;
}
