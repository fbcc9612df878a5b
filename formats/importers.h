// One importer per source type. Each takes the open source file and returns
// the status that becomes the run's exit code.
#pragma once

struct PlatformFile;

int importDta(PlatformFile* file);
int import40p(PlatformFile* file);
int import50p(PlatformFile* file);
int import62p(PlatformFile* file);
