// Every fixed buffer of the tool takes its size from here, so that a width
// is changed in one place and every bounded write follows it.
#pragma once

#include <cstddef>

namespace widths {

// Run state owned by the entry point.
constexpr std::size_t kTerminalName = 50;   // at most 49 characters
constexpr std::size_t kSourceType = 4;      // three characters and the NUL
constexpr std::size_t kLineBuffer = 500;    // current source line or record
constexpr std::size_t kPathMax = 4096;      // longest source path we log whole
constexpr std::size_t kLogMessage = kPathMax + 512;
constexpr std::size_t kTimestamp = 20;      // dd.mm.yyyy hh:mm:ss and the NUL

// Run log rotation threshold in bytes (a file of exactly this size stays).
constexpr long kLogRotateBytes = 10485760L;

// Configuration reader.
constexpr std::size_t kIniSectionLine = 200;
constexpr std::size_t kIniEntryLine = 400;
constexpr std::size_t kIniField = 201;      // section, key, value results
constexpr std::size_t kIniNumberText = 12;  // at most 11 characters
constexpr std::size_t kDbSetting = 200;     // user name and password
constexpr std::size_t kHostMaxChars = 41;   // longer NET8 values are ignored

// Statement layer.
constexpr std::size_t kSqlBuffer = 1500;

// Master data.
constexpr std::size_t kCostCentre = 31;     // 30 characters and the NUL
constexpr int kReaderCount = 32;

// Delimited line splitter.
constexpr std::size_t kSplitField = 250;    // 249 characters and the NUL
constexpr int kListGrowth = 10;
constexpr int kDtaLineChars = 498;          // line end included

// Booking record fields, the NUL counted.
constexpr std::size_t kBewSch = 30;
constexpr std::size_t kBewTID = 256;
constexpr std::size_t kBewLID = 6;
constexpr std::size_t kBewIDN = 51;
constexpr std::size_t kBewSto = 9;
constexpr std::size_t kBewDtm = 20;
constexpr std::size_t kBewUhr = 20;
constexpr std::size_t kBewLfn = 4;
constexpr std::size_t kBewArt = 4;
constexpr std::size_t kBewTas = 3;
constexpr std::size_t kBewEra = 4;
constexpr std::size_t kBewKze = 2;
constexpr std::size_t kBewBer = 2;
constexpr std::size_t kBewErq = 11;
constexpr std::size_t kBewKst = 31;
constexpr std::size_t kBewQua = 6;
constexpr std::size_t kBewRes = 137;
constexpr std::size_t kBewSrc = 4;

// Fixed-width record lengths of the three binary source types.
constexpr int kRecord40p = 29;
constexpr int kRecord50p = 32;
constexpr int kRecord62p = 33;

// Canteen hand-off values, the NUL counted.
constexpr std::size_t kCanteenBadge = 9;
constexpr std::size_t kCanteenDate = 9;
constexpr std::size_t kCanteenTime = 5;
constexpr std::size_t kCanteenArt = 4;
constexpr std::size_t kCanteenBon = 67;

// A 32-bit signed number as decimal text with its NUL.
constexpr std::size_t kNumberText = 12;

}  // namespace widths
