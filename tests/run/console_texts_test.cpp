#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "run/console_texts.h"

namespace {

TEST(StrUpper, OnlyLettersAToZChange) {
    const struct {
        std::string in;
        std::string out;
    } cases[] = {
        {"dtax", "DTAX"},
        {"40p", "40P"},
        {"/d", "/D"},
        {"azAZ@[`{09", "AZAZ@[`{09"},
        {"\xe4\xf6\xfc\xff", "\xe4\xf6\xfc\xff"},
        {"", ""},
    };
    for (const auto& c : cases) {
        std::string text = c.in;
        EXPECT_EQ(strUpper(text.data()), text.data());
        EXPECT_EQ(text, c.out) << c.in;
    }
}

// Every line of the box is as wide as its frame, with the borders aligned.
TEST(Banner, BoxLinesShareTheFrame) {
    testing::internal::CaptureStdout();
    printBanner();
    std::string banner = testing::internal::GetCapturedStdout();

    ASSERT_EQ(banner.substr(0, 1), "\n");
    ASSERT_EQ(banner.substr(banner.size() - 2), "\n\n");
    std::istringstream lines(banner.substr(1, banner.size() - 2));
    std::string line;
    int count = 0;
    while (std::getline(lines, line)) {
        ++count;
        SCOPED_TRACE(line);
        ASSERT_EQ(line.size(), 54u);
        EXPECT_EQ(line.substr(0, 2), "**");
        EXPECT_EQ(line.substr(52), "**");
    }
    EXPECT_EQ(count, 8);
}

}  // namespace
