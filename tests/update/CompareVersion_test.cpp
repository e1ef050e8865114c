#include "update/CompareVersion.h"

#include <gtest/gtest.h>

namespace {

TEST(CompareVersion, ComparesFieldByFieldAsNumbers) {
    struct Case {
        const char* a;
        const char* b;
        int expected;
    } cases[] = {
        {"4.0.2.10", "4.0.2.9", 1},  // numbers, not text order
        {"4.0.2.9", "4.0.2.10", -1},
        {"4.0.2.5", "4.0.2.5", 0},
        {"5.0.0.0", "4.9.9.9", 1},
        {"4.1.0.0", "4.0.65535.65535", 1},
        {"4.0.3.0", "4.0.2.99", 1},
        {"", "0.0.0.0", 0},
        {"", "0.0.0.1", -1},
        {"04.00.03.012", "4.0.3.12", 0},
        {"4.0.3.12.99", "4.0.3.12", 0},  // a fifth field is ignored
        {"4.0.3.12abc", "4.0.3.12", 0},  // so is anything after the digits
        {" 4. 0.+3.12", "4.0.3.12", 0},  // atoi skips blanks and takes a sign
        {"4.0.-1.0", "4.0.0.0", -1},
        {"x.y.z.w", "0.0.0.0", 0},
        {"99999999999.0.0.0", "2147483647.0.0.0", 0},  // saturates like the Windows runtime
        {"-99999999999.0.0.0", "-2147483648.0.0.0", 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CompareVersion(c.a, c.b), c.expected) << c.a << " vs " << c.b;
}

TEST(CompareVersion, ReadsTextsWithFewerDotsAsTheSearchStepsDo) {
    // Each search for the next dot starts one after the previous result (at the start when
    // that found nothing), and the last field takes at most length - 1 characters.
    struct Case {
        const char* text;
        std::array<int, 4> fields;
    } cases[] = {
        {"4.0.3.12", {4, 0, 3, 12}}, {"", {0, 0, 0, 0}},    {"5", {0, 0, 0, 0}},
        {"12", {0, 0, 0, 1}},        {"4.5", {4, 0, 4, 5}}, {"1.2.3", {1, 2, 0, 1}},
        {"...", {0, 0, 0, 0}},       {"7.", {7, 0, 7, 0}},
    };
    for (const Case& c : cases) EXPECT_EQ(SplitVersion(c.text), c.fields) << c.text;
}

}  // namespace
