#include "formats/reader_cost_centres.h"

#include <cstring>

#include "db/lookups.h"

char readerCostCentres[widths::kReaderCount][widths::kCostCentre];

int loadReaderCostCentres(const char* terminal) {
    std::memset(readerCostCentres, 0, sizeof readerCostCentres);
    int status = 0;
    for (int reader = 1; reader <= widths::kReaderCount; ++reader) {
        char costCentre[widths::kCostCentre] = {};
        status = getZlsKst(terminal, reader, costCentre);
        if (status != 0) costCentre[0] = '\0';
        costCentre[sizeof costCentre - 1] = '\0';
        std::memcpy(readerCostCentres[reader - 1], costCentre, sizeof costCentre);
    }
    return status;
}

// Readers outside the table (0 included, which a reader field without digits
// reads as) have no cost centre rather than one read from beside the table.
const char* readerCostCentre(int reader) {
    if (reader < 1 || reader > widths::kReaderCount) return "";
    return readerCostCentres[reader - 1];
}
