#include "formats/split_line.h"

#include <cstddef>

#include "run/widths.h"

namespace {

bool isLineEnd(char c) { return c == '\0' || c == '\n' || c == '\r'; }

// One field under construction. Characters beyond the buffer are dropped, so
// an over-long field is cut while the scan still walks to its real end and
// the next field starts where it always would.
struct FieldBuffer {
    char text[widths::kSplitField];
    std::size_t length = 0;

    void begin() {
        length = 0;
        text[0] = '\0';
    }
    void add(char c) {
        if (length + 1 < sizeof text) text[length++] = c;
        text[length] = '\0';
    }
};

}  // namespace

StringList* splitLine(const char* line) {
    StringList* list = nullptr;
    if (line == nullptr) return list;

    FieldBuffer field;
    bool afterComma = false;  // the last field was unquoted and ended at a comma
    const char* p = line;

    for (;;) {
        field.begin();
        while (*p == ' ') ++p;

        if (isLineEnd(*p)) {
            if (afterComma) listAppend(list, "");
            return list;
        }
        if (*p == ',') {
            listAppend(list, "");
            afterComma = false;
            ++p;
            continue;
        }

        if (*p == '"') {
            ++p;
            for (;;) {
                if (isLineEnd(*p)) break;  // no closing quote: the line end closes it
                if (*p == '"') {
                    if (p[1] == '"') {
                        field.add('"');
                        p += 2;
                        continue;
                    }
                    ++p;
                    if (*p == ',') ++p;
                    break;  // anything else after the quote begins the next field
                }
                field.add(*p++);
            }
            listAppend(list, field.text);
            afterComma = false;
            continue;
        }

        for (;;) {
            if (isLineEnd(*p)) {
                listAppend(list, field.text);
                afterComma = false;
                break;
            }
            if (*p == ',') {
                ++p;
                listAppend(list, field.text);
                afterComma = true;
                break;
            }
            field.add(*p++);
        }
    }
}
