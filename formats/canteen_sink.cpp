#include "formats/canteen.h"

// Canteen bookings are not kept by this system: every one is taken over.
std::int32_t pflegeKantinendaten(const char* /*ausweisNr*/, const char* /*buchDatum*/, const char* /*buchZeit*/,
                                 const char* /*nummer*/, const char* /*kennung*/, const char* /*kantinenArt*/,
                                 const char* /*bonWert*/) {
    return 0;
}
