// The two text helpers that cut the fields out of configuration lines.
#include <cstring>

#include "config/ini_reader.h"

int findNthChar(const char* text, char c, int n) {
    int found = -1;
    int count = 0;
    for (int i = 0; text[i] != '\0'; ++i) {
        if (text[i] == c) {
            found = i;
            if (++count == n) {
                break;
            }
        }
    }
    return found;
}

void copySubstring(const char* source, int start, int length, char* dest, std::size_t destSize) {
    if (length < 0 || start < 0 || destSize == 0) {
        return;
    }
    const std::size_t sourceLength = std::strlen(source);
    if (static_cast<std::size_t>(start) > sourceLength) {
        return;
    }
    // Length 0 means "to the end of the text", not "nothing". Either way the
    // copy stops at the end of the source and at the end of the destination.
    std::size_t count = sourceLength - static_cast<std::size_t>(start);
    if (length > 0 && static_cast<std::size_t>(length) < count) {
        count = static_cast<std::size_t>(length);
    }
    if (count > destSize - 1) {
        count = destSize - 1;
    }
    std::memmove(dest, source + start, count);
    dest[count] = '\0';
}
