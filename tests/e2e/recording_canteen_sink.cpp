// A canteen sink for whole-run tests, linked into moltrabeck-test-sink in
// place of the program's own one.
//
//   MOLTRABECK_SINK_FILE    every call appends one line to this file: the
//                           seven values in the order received, each
//                           followed by '|', then a line feed
//   MOLTRABECK_SINK_STATUS  "badge=status,badge=status,...": the status to
//                           return for a call whose first value is that
//                           badge; any other call returns 0
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "formats/canteen.h"

namespace {

void record(const char* const values[], int count) {
    const char* path = std::getenv("MOLTRABECK_SINK_FILE");
    if (path == nullptr) return;
    std::FILE* out = std::fopen(path, "ab");
    if (out == nullptr) return;
    for (int i = 0; i < count; ++i) {
        std::fputs(values[i], out);
        std::fputc('|', out);
    }
    std::fputc('\n', out);
    std::fclose(out);
}

std::int32_t statusFor(const char* badge) {
    const char* list = std::getenv("MOLTRABECK_SINK_STATUS");
    if (list == nullptr) return 0;
    const std::size_t badgeLength = std::strlen(badge);
    for (const char* entry = list; *entry != '\0';) {
        const char* end = std::strchr(entry, ',');
        if (end == nullptr) end = entry + std::strlen(entry);
        const char* equals = static_cast<const char*>(std::memchr(entry, '=', static_cast<std::size_t>(end - entry)));
        if (equals != nullptr && static_cast<std::size_t>(equals - entry) == badgeLength &&
            std::strncmp(entry, badge, badgeLength) == 0) {
            return static_cast<std::int32_t>(std::strtol(equals + 1, nullptr, 10));
        }
        entry = *end == ',' ? end + 1 : end;
    }
    return 0;
}

}  // namespace

std::int32_t pflegeKantinendaten(const char* ausweisNr, const char* buchDatum, const char* buchZeit,
                                 const char* nummer, const char* kennung, const char* kantinenArt,
                                 const char* bonWert) {
    const char* const values[] = {ausweisNr, buchDatum, buchZeit, nummer, kennung, kantinenArt, bonWert};
    record(values, 7);
    return statusFor(ausweisNr);
}
