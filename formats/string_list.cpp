#include "formats/string_list.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "run/widths.h"

namespace {

char* copyText(const char* text) {
    const std::size_t size = std::strlen(text) + 1;
    char* copy = static_cast<char*>(std::malloc(size));
    if (copy != nullptr) std::memcpy(copy, text, size);
    return copy;
}

}  // namespace

// The copy is made first: whatever fails, the list (or its absence) stays as
// it was, so a list never exists without an item.
int listAppend(StringList*& list, const char* text) {
    if (text == nullptr) return 0;
    char* copy = copyText(text);
    if (copy == nullptr) return 0;

    StringList* target = list;
    if (target == nullptr) {
        target = static_cast<StringList*>(std::malloc(sizeof(StringList)));
        if (target == nullptr) {
            std::free(copy);
            return 0;
        }
        target->slots = static_cast<char**>(std::calloc(widths::kListGrowth, sizeof(char*)));
        if (target->slots == nullptr) {
            std::free(target);
            std::free(copy);
            return 0;
        }
        target->itemCount = 0;
        target->slotCount = widths::kListGrowth;
    } else if (target->itemCount >= target->slotCount) {
        if (target->slotCount > INT32_MAX - widths::kListGrowth) {
            std::free(copy);
            return 0;
        }
        const std::int32_t grown = target->slotCount + widths::kListGrowth;
        void* slots = std::realloc(target->slots, static_cast<std::size_t>(grown) * sizeof(char*));
        if (slots == nullptr) {
            std::free(copy);
            return 0;
        }
        target->slots = static_cast<char**>(slots);
        target->slotCount = grown;
    }

    target->slots[target->itemCount++] = copy;
    list = target;
    return 1;
}

int listFree(StringList* list) {
    if (list == nullptr) return 0;
    for (std::int32_t i = 0; i < list->itemCount; ++i) std::free(list->slots[i]);
    std::free(list->slots);
    std::free(list);
    return 0;
}
