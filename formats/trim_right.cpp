#include "formats/trim_right.h"

#include <cstring>

// A badge of nothing but blanks and tabs ends up empty here, so that the
// importers store it as the single blank of an empty badge rather than as a
// run of padding.
char* trimRight(char* text) {
    if (text == nullptr) return text;
    std::size_t length = std::strlen(text);
    while (length > 0 && (text[length - 1] == ' ' || text[length - 1] == '\t')) --length;
    text[length] = '\0';
    return text;
}
