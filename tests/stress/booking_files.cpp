#include "tests/stress/booking_files.h"

#include <cstdio>

namespace {

// DDMMYYhhmmss of booking k: one booking per second from 1 January 2024,
// 28 days a month, so that the text is always a valid date.
std::string dateTime(int k) {
    const int second = k % 86400;
    const int day = k / 86400;
    char text[64];
    std::snprintf(text, sizeof text, "%02d%02d%02d%02d%02d%02d", 1 + day % 28, 1 + (day / 28) % 12, 24,
                  second / 3600, second / 60 % 60, second % 60);
    return text;
}

std::string paddedBadge(int k) {
    char text[16];
    std::snprintf(text, sizeof text, "%-13s", stressBadge(k).c_str());
    return text;
}

}  // namespace

std::string stressBadge(int k) { return "S" + std::to_string(k); }

std::string make62pFile(const std::vector<int>& bookings) {
    std::string bytes;
    bytes.reserve(bookings.size() * 33);
    for (int k : bookings) {
        char counterReaderExtra[32];
        std::snprintf(counterReaderExtra, sizeof counterReaderExtra, "%03d%02d00", k % 1000, 1 + k % 32);
        bytes += dateTime(k) + counterReaderExtra + paddedBadge(k) + "0";
    }
    return bytes;
}

std::string make50pFile(const std::vector<int>& bookings, int costCentreNumber) {
    char number[16];
    std::snprintf(number, sizeof number, "%07d", costCentreNumber % 10000000);
    std::string bytes;
    bytes.reserve(bookings.size() * 32);
    for (int k : bookings) bytes += dateTime(k) + paddedBadge(k) + number;
    return bytes;
}

std::vector<int> bookingRange(int first, int count) {
    std::vector<int> bookings;
    for (int k = first; k < first + count; ++k) bookings.push_back(k);
    return bookings;
}
