#pragma once

#include <cstdint>

struct StringList {
    std::int32_t itemCount;
    std::int32_t slotCount;
    char** slots;
};

// Creates the list on the first append; 1 on success, 0 when the item could
// not be stored (the list stays as it was).
int listAppend(StringList*& list, const char* text);
int listFree(StringList* list);
