#include <cstdint>
#include <cstdio>

#include "db/buchungssatz.h"
#include "db/lookups.h"
#include "formats/booking_report.h"
#include "formats/booking_type.h"
#include "formats/importers.h"
#include "formats/record_file.h"
#include "formats/record_fill.h"
#include "platform/platform.h"
#include "run/run_state.h"
#include "run/widths.h"

int import50p(PlatformFile* file) {
    int refusal = 0;
    if (!checkRecordFile(file, widths::kRecord50p, "50p", refusal)) return refusal;
    int runningNumber = 1;
    runStatus = 0;

    int result = 0;
    Buchungssatz record;
    while (platformRead(lineBuffer, widths::kRecord50p, 1, file) == 1) {
        if (debugMode) std::printf("%s\n", lineBuffer);
        const std::int32_t costCentreNumber = fill50p(record, lineBuffer, terminalName);

        char costCentre[widths::kCostCentre] = {};
        runStatus = getKidKst(costCentreNumber, costCentre, terminalName);
        if (runStatus != 0) setField(costCentre, "???");
        setField(record.BewKst, costCentre);

        std::int32_t functionKey = kNoFunctionKey;
        runStatus = getTtaAps(terminalName, functionKey);
        if (runStatus == 0 && functionKey != kNoFunctionKey) {
            // A key too wide for BewTas leaves it empty; its booking type is
            // still looked up.
            setFunctionKey(record, functionKey);
            lookUpBookingType(record, functionKey);
        }

        takeRunningNumber(record, runningNumber);
        insertFixedWidthBooking(record, "   ", result);
    }
    return result;
}
