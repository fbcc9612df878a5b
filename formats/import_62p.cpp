#include <cstdio>

#include "db/buchungssatz.h"
#include "formats/booking_report.h"
#include "formats/importers.h"
#include "formats/record_file.h"
#include "formats/record_fill.h"
#include "platform/platform.h"
#include "run/run_state.h"
#include "run/widths.h"

int import62p(PlatformFile* file) {
    int refusal = 0;
    if (!checkRecordFile(file, widths::kRecord62p, "62p", refusal)) return refusal;
    runStatus = 0;

    int result = 0;
    Buchungssatz record;
    while (platformRead(lineBuffer, widths::kRecord62p, 1, file) == 1) {
        if (debugMode) std::printf("%s\n", lineBuffer);
        fill62p(record, lineBuffer, terminalName);

        // This format's failure line has always had two leading blanks.
        insertFixedWidthBooking(record, "  ", result);
    }
    return result;
}
