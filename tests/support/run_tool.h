// Runs the built tool as the calling process of a site would.
#pragma once

#include <string>
#include <utility>
#include <vector>

class TestTree;

struct ToolResult {
    // The exit status the caller sees; 128 + the signal when the tool was
    // killed by one (that is also reported as a test failure).
    int exitCode = -1;
    // Everything the tool wrote to standard output, byte for byte.
    std::string stdoutBytes;
};

// Runs moltrabeck with these arguments (without the program name) in the
// tree's working directory: standard input /dev/null, standard output
// captured, standard error passed through, the test's environment inherited
// with extraEnv added or replaced. A run that takes longer than
// timeoutSeconds is killed and reported as a failure.
ToolResult runTool(const TestTree& tree, const std::vector<std::string>& args,
                   const std::vector<std::pair<std::string, std::string>>& extraEnv = {},
                   int timeoutSeconds = 60);

// The same for another program built from the tool's sources (for example
// one linked with a test canteen sink), given by its path.
ToolResult runProgram(const std::string& programPath, const TestTree& tree, const std::vector<std::string>& args,
                      const std::vector<std::pair<std::string, std::string>>& extraEnv = {},
                      int timeoutSeconds = 60);

// The exit status a test sees for the tool's exit code: the whole code under
// Wine (MOLTRABECK_TOOL_UNDER_WINE), the platform's mapping otherwise.
int toolExitStatus(int code);

// True when runTool starts the Windows program under Wine.
bool toolRunsUnderWine();

// The path of the built tool.
const char* toolPath();
