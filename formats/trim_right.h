#pragma once

// Cuts trailing blanks and tabs in place; returns text.
char* trimRight(char* text);
