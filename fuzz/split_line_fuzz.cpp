// The line splitter on arbitrary bytes: every field is a terminated heap
// text within the field buffer, the list keeps its slot arithmetic, and
// nothing behind the first line end changes the result.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "formats/split_line.h"
#include "formats/string_list.h"
#include "fuzz/fuzz_support.h"
#include "run/widths.h"

namespace {

std::vector<std::string> fieldsOf(const StringList* list) {
    std::vector<std::string> fields;
    if (list == nullptr) return fields;
    FUZZ_CHECK(list->itemCount > 0, "a list exists only with items");
    FUZZ_CHECK(list->itemCount <= list->slotCount, "more items than slots");
    FUZZ_CHECK(list->slotCount % widths::kListGrowth == 0, "slots grow in steps of the growth");
    FUZZ_CHECK(list->slotCount - list->itemCount < widths::kListGrowth, "slots grown without need");
    for (std::int32_t i = 0; i < list->itemCount; ++i) {
        const char* item = list->slots[i];
        FUZZ_CHECK(item != nullptr, "missing item");
        const std::size_t length = std::strlen(item);
        FUZZ_CHECK(length < widths::kSplitField, "field longer than the field buffer");
        fields.emplace_back(item, length);
    }
    return fields;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // An exact-size copy: a read past the terminating NUL is caught.
    std::vector<char> line(data, data + size);
    line.push_back('\0');

    StringList* list = splitLine(line.data());
    const std::vector<std::string> fields = fieldsOf(list);
    listFree(list);

    // The splitter stops at the first NUL, LF or CR: the line cut there
    // must give the same fields.
    const std::size_t end = std::strcspn(line.data(), "\n\r");
    std::vector<char> cut(line.begin(), line.begin() + static_cast<std::ptrdiff_t>(end));
    cut.push_back('\0');
    StringList* cutList = splitLine(cut.data());
    FUZZ_CHECK(fieldsOf(cutList) == fields, "text behind the line end changed the fields");
    listFree(cutList);
    return 0;
}
