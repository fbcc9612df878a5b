// The length check that every fixed-width source file passes before its
// first record is read.
#pragma once

struct PlatformFile;

// True when the file holds whole records of recordLength bytes (or none) and
// is positioned at its start with lineBuffer cleared. Otherwise the refusal
// has been logged and printed, and refusal holds the importer's result:
// 0 for a file shorter than one record, -1 for a length that is no multiple
// of the record or cannot be determined. type is "40p", "50p" or "62p".
bool checkRecordFile(PlatformFile* file, int recordLength, const char* type, int& refusal);
