// Filling a booking record from one arbitrary source record of each type:
// every field stays terminated within its width, whatever the bytes.
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "db/buchungssatz.h"
#include "formats/record_fill.h"
#include "formats/split_line.h"
#include "formats/string_list.h"
#include "fuzz/fuzz_support.h"
#include "run/widths.h"

namespace {

enum class Kind { k62p, k50p, k40p, kDta };

void checkRecord(const Buchungssatz& r, const char* source) {
    FUZZ_CHECK(fuzz::terminatedWithin(r.BewSch), "BewSch");
    FUZZ_CHECK(fuzz::terminatedWithin(r.BewTID), "BewTID");
    FUZZ_CHECK(fuzz::terminatedWithin(r.BewLID), "BewLID");
    FUZZ_CHECK(fuzz::terminatedWithin(r.BewIDN), "BewIDN");
    FUZZ_CHECK(fuzz::terminatedWithin(r.BewSto), "BewSto");
    FUZZ_CHECK(fuzz::terminatedWithin(r.BewDtm), "BewDtm");
    FUZZ_CHECK(fuzz::terminatedWithin(r.BewUhr), "BewUhr");
    FUZZ_CHECK(fuzz::terminatedWithin(r.BewLfn), "BewLfn");
    FUZZ_CHECK(fuzz::terminatedWithin(r.BewArt), "BewArt");
    FUZZ_CHECK(fuzz::terminatedWithin(r.BewTas), "BewTas");
    FUZZ_CHECK(fuzz::terminatedWithin(r.BewEra), "BewEra");
    FUZZ_CHECK(fuzz::terminatedWithin(r.BewKze), "BewKze");
    FUZZ_CHECK(fuzz::terminatedWithin(r.BewBer), "BewBer");
    FUZZ_CHECK(fuzz::terminatedWithin(r.BewErq), "BewErq");
    FUZZ_CHECK(fuzz::terminatedWithin(r.BewKst), "BewKst");
    FUZZ_CHECK(fuzz::terminatedWithin(r.BewQua), "BewQua");
    FUZZ_CHECK(fuzz::terminatedWithin(r.BewRes), "BewRes");
    FUZZ_CHECK(fuzz::terminatedWithin(r.BewSrc), "BewSrc");
    FUZZ_CHECK(std::strcmp(r.BewSrc, source) == 0, "BewSrc names another source type");
    FUZZ_CHECK(r.BewIDN[0] != '\0', "empty badge not stored as a blank");
}

// The record in a buffer of exactly its length, so that any read past it
// is caught; a short input is padded with NUL bytes.
std::unique_ptr<char[]> exactRecord(const std::string& bytes, int length) {
    std::unique_ptr<char[]> record(new char[static_cast<std::size_t>(length)]());
    std::memcpy(record.get(), bytes.data(), bytes.size() < static_cast<std::size_t>(length) ? bytes.size() : static_cast<std::size_t>(length));
    return record;
}

void fillFixed(Kind kind, const std::string& bytes, const std::string& terminal) {
    Buchungssatz record;
    std::memset(&record, 0x55, sizeof record);  // stale bytes a fill must not rely on
    switch (kind) {
    case Kind::k62p:
        fill62p(record, exactRecord(bytes, widths::kRecord62p).get(), terminal.c_str());
        checkRecord(record, "62p");
        break;
    case Kind::k50p:
        fill50p(record, exactRecord(bytes, widths::kRecord50p).get(), terminal.c_str());
        checkRecord(record, "50p");
        break;
    default: {
        const Fill40p result = fill40p(record, exactRecord(bytes, widths::kRecord40p).get(), terminal.c_str());
        checkRecord(record, "40p");
        if (result.canteen) FUZZ_CHECK(record.BewTas[0] == '\0' && record.BewSto[0] == '\0', "canteen booking with key");
        break;
    }
    }
}

void fillLine(const std::string& line) {
    StringList* fields = splitLine(line.c_str());
    if (fields != nullptr && fields->itemCount >= 8) {
        Buchungssatz record;
        std::memset(&record, 0x55, sizeof record);
        fillDta(record, *fields);
        checkRecord(record, "dta");
    }
    listFree(fields);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const Kind kind = static_cast<Kind>(data[0] % 4);
    const std::string rest(reinterpret_cast<const char*>(data) + 1, size - 1);

    if (kind == Kind::kDta) {
        // The importer's line buffer bounds the line.
        fillLine(rest.substr(0, widths::kLineBuffer - 1));
        return 0;
    }
    // The record first, then the terminal name (any length, cut at a NUL).
    const std::size_t length = kind == Kind::k62p ? widths::kRecord62p : kind == Kind::k50p ? widths::kRecord50p : widths::kRecord40p;
    const std::string bytes = rest.substr(0, length);
    const std::string terminal = rest.size() > length ? std::string(rest.c_str() + length) : std::string();
    fillFixed(kind, bytes, terminal);
    return 0;
}
