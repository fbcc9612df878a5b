#include <cstdint>
#include <cstdio>

#include "db/buchungssatz.h"
#include "db/lookups.h"
#include "formats/booking_report.h"
#include "formats/canteen.h"
#include "formats/importers.h"
#include "formats/reader_cost_centres.h"
#include "formats/record_fill.h"
#include "formats/split_line.h"
#include "formats/string_list.h"
#include "platform/platform.h"
#include "run/run_log.h"
#include "run/run_state.h"
#include "run/widths.h"

namespace {

constexpr int kDtaFields = 8;

// The cost centre of a cost-centre number for the run's terminal; empty when
// there is none.
template <std::size_t N>
void lookUpCostCentre(char (&target)[N], std::int32_t number) {
    char costCentre[widths::kCostCentre] = {};
    getKidKst(number, costCentre, terminalName);
    setField(target, costCentre);
}

// Inserts or hands off one line of at least kDtaFields fields.
void importLine(const StringList& fields, Buchungssatz& record, int& runningNumber, int& firstFailure) {
    loadReaderCostCentres(terminalName);
    const FillDta fill = fillDta(record, fields);
    if (fill.canteen) {
        bucheKantine(record);
        return;
    }

    if (fill.hasCostCentreNumber) lookUpCostCentre(record.BewKst, fill.costCentreNumber);
    if (record.BewKst[0] == '\0') {
        const char* entry = readerCostCentre(fill.reader);
        if (entry[0] != '\0') lookUpCostCentre(record.BewKst, readDecimal(entry, widths::kCostCentre));
    }

    takeRunningNumber(record, runningNumber);
    char* const* field = fields.slots;
    // The report names the fields as delivered, an empty badge included.
    insertAndReport(record, {field[2], field[0], field[3], field[4], field[5]}, "   ", firstFailure);
}

}  // namespace

int importDta(PlatformFile* file) {
    int result = 0;
    int runningNumber = 1;
    Buchungssatz record;
    while (platformGets(lineBuffer, widths::kDtaLineChars + 1, file) != nullptr) {
        if (debugMode) std::printf("\n%s", lineBuffer);

        StringList* fields = splitLine(lineBuffer);
        if (fields == nullptr) continue;
        if (fields->itemCount < kDtaFields) {
            logFormatted("\nFEHLERHAFTER BUCHUNGSSATZ: %s\n", lineBuffer);
            std::printf("FEHLERHAFTER BUCHUNGSSATZ !!\n");
        } else {
            importLine(*fields, record, runningNumber, result);
        }
        listFree(fields);
    }
    return result;
}
