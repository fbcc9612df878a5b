#pragma once

#include "run/widths.h"

// Entry k-1 holds the cost-centre number the master data assigns to reader k
// of the run's terminal, empty when it assigns none.
extern char readerCostCentres[widths::kReaderCount][widths::kCostCentre];

// Empties the table and fills it with one lookup per reader (1..32).
// Returns the status of the last lookup.
int loadReaderCostCentres(const char* terminal);
// The entry of a reader number, or an empty text for a number outside 1..32.
const char* readerCostCentre(int reader);
