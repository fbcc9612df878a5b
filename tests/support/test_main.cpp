// main() of the tests built on mb_testsupport: they need the test database
// that scripts/test.sh starts, and say so at once when it is missing.
#include <gtest/gtest.h>

#include <cstdlib>

namespace {

class TestDatabaseRequired : public ::testing::Environment {
public:
    void SetUp() override {
        if (std::getenv("MOLTRABECK_TEST_USER") == nullptr) {
            FAIL() << "MOLTRABECK_TEST_USER is not set. These tests need the test database: "
                      "run them through scripts/test.sh (or start one with scripts/test-db.sh "
                      "start DIR and source DIR/env).";
        }
    }
};

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new TestDatabaseRequired);
    return RUN_ALL_TESTS();
}
