#include "formats/booking_type.h"

#include <cstdio>

#include "db/buchungssatz.h"
#include "db/lookups.h"
#include "run/run_state.h"

void lookUpBookingType(Buchungssatz& record, std::int32_t functionKey) {
    runStatus = getTtaFcd(record, functionKey);
    if (runStatus != 0) {
        setField(record.BewArt, "???");
        if (debugMode) std::printf("   ID %s: Buchungsart nicht gefunden\n", record.BewIDN);
    }
}
