#pragma once

void printBanner();
void printUsage();
// Upper-cases a to z in place (no locale); returns text.
char* strUpper(char* text);
