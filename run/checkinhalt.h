#pragma once

struct PlatformFile;

// 0 content, 1 empty file, 2 only blanks, tabs and line feeds.
// Leaves the stream at the first byte of the file in every case.
int checkinhalt(PlatformFile* file);
