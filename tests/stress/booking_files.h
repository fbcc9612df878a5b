// Large fixed-width booking files for the stress tests. Booking k (k >= 0)
// always has the badge "S<k>" and a date and time derived from k, so every
// booking is distinct, the same k gives the same booking in every file, and
// the rows in the table can be told apart by their badge alone.
#pragma once

#include <string>
#include <vector>

// The badge of booking k, as the table stores it.
std::string stressBadge(int k);

// A 62p file (33-byte records) of the bookings in this order.
std::string make62pFile(const std::vector<int>& bookings);
// A 50p file (32-byte records) of the bookings in this order; every record
// names the cost-centre number costCentreNumber.
std::string make50pFile(const std::vector<int>& bookings, int costCentreNumber);

// first, first + 1, ..., first + count - 1.
std::vector<int> bookingRange(int first, int count);
