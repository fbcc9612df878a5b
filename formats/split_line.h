#pragma once

#include "formats/string_list.h"

// Fields of one comma-delimited line, or nullptr for a line without fields.
StringList* splitLine(const char* line);
