#pragma once

#include <cstdint>

struct Buchungssatz;

// Fills BewArt with the booking type of a function key; "???" when it cannot
// be found (said on the console in debug mode). runStatus takes the status.
void lookUpBookingType(Buchungssatz& record, std::int32_t functionKey);
