#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "formats/trim_right.h"

namespace {

TEST(TrimRight, CutsTrailingBlanksAndTabsOnly) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"815          ", "815"},
        {"815\t \t", "815"},
        {"  815", "  815"},
        {"8 15 ", "8 15"},
        {"815\n", "815\n"},
        {"815\r ", "815\r"},
        {"", ""},
        {"    \t    ", ""},
    };
    for (const auto& [input, expected] : cases) {
        SCOPED_TRACE("input: [" + input + "]");
        std::vector<char> text(input.begin(), input.end());
        text.push_back('\0');
        EXPECT_EQ(trimRight(text.data()), text.data());
        EXPECT_EQ(std::string(text.data()), expected);
    }
}

}  // namespace
