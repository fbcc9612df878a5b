#include "db/buchungssatz.h"

#include <cstring>

void clearBuchungssatz(Buchungssatz& record) {
    std::memset(&record, 0, sizeof record);
}
