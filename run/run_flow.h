#pragma once

// One whole run: returns the tool's exit code (before platform mapping).
int runMoltrabeck(int argc, char** argv);
