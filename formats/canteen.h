// Canteen bookings leave the bookings table and go to their own sink.
#pragma once

#include <cstdint>

struct Buchungssatz;

// Derives the seven canteen values and hands them to the sink; always 1.
int bucheKantine(const Buchungssatz& record);

// The sink. This system's sink takes every booking over and stores nothing;
// it lives in its own translation unit so that a build can link another.
std::int32_t pflegeKantinendaten(const char* ausweisNr, const char* buchDatum, const char* buchZeit,
                                 const char* nummer, const char* kennung, const char* kantinenArt,
                                 const char* bonWert);
