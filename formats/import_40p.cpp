#include <cstdint>
#include <cstdio>

#include "db/buchungssatz.h"
#include "db/lookups.h"
#include "formats/booking_report.h"
#include "formats/booking_type.h"
#include "formats/canteen.h"
#include "formats/importers.h"
#include "formats/reader_cost_centres.h"
#include "formats/record_file.h"
#include "formats/record_fill.h"
#include "platform/platform.h"
#include "run/run_state.h"
#include "run/widths.h"

int import40p(PlatformFile* file) {
    // The reader table is loaded even for a file that is then refused.
    runStatus = loadReaderCostCentres(terminalName);

    int refusal = 0;
    if (!checkRecordFile(file, widths::kRecord40p, "40p", refusal)) return refusal;
    int runningNumber = 1;
    runStatus = 0;

    int result = 0;
    Buchungssatz record;
    while (platformRead(lineBuffer, widths::kRecord40p, 1, file) == 1) {
        if (debugMode) std::printf("%s\n", lineBuffer);
        const Fill40p fill = fill40p(record, lineBuffer, terminalName);

        char costCentre[widths::kCostCentre] = {};
        setField(costCentre, readerCostCentre(fill.reader));
        if (costCentre[0] != '\0') {
            const std::int32_t number = readDecimal(costCentre, sizeof costCentre);
            costCentre[0] = '\0';
            runStatus = getKidKst(number, costCentre, terminalName);
            setField(record.BewKst, costCentre);
        }

        if (fill.canteen) {
            bucheKantine(record);
            continue;
        }

        if (fill.functionKey != kNoFunctionKey) {
            lookUpBookingType(record, fill.functionKey);
        }

        takeRunningNumber(record, runningNumber);
        insertFixedWidthBooking(record, "   ", result);
    }
    return result;
}
