#include <gtest/gtest.h>

#include "runtime/convert.h"
#include "runtime/failure.h"

namespace lumaris {
namespace {

std::int32_t failureNumber(auto&& call) {
    try {
        call();
    } catch (const Failure& failure) {
        return failure.number();
    }
    return 0;
}

TEST(Nearest, RoundsHalvesToTheEvenNeighbour) {
    EXPECT_EQ(nearest(0.5), 0);
    EXPECT_EQ(nearest(1.5), 2);
    EXPECT_EQ(nearest(2.5), 2);
    EXPECT_EQ(nearest(1017.5), 1018);
    EXPECT_EQ(nearest(-80.5), -80);
    EXPECT_EQ(nearest(-0.4), 0);
}

TEST(TextToInt16, ReadsNumbersRoundedHalfToEven) {
    EXPECT_EQ(textToInt16("100"), 100);
    EXPECT_EQ(textToInt16(" -32768 "), -32768);
    EXPECT_EQ(textToInt16("32767"), 32767);
    EXPECT_EQ(textToInt16("100.5"), 100);
    EXPECT_EQ(textToInt16("101.5"), 102);
    EXPECT_EQ(textToInt16("1e2"), 100);
    EXPECT_EQ(textToInt16("+7"), 7);
}

TEST(TextToInt16, RejectsTextThatIsNotANumber) {
    for (const char* text : {"", " ", "abc", "12abc", "1 2", "0x10", "inf", "nan", ".", "-", "1e", "True"}) {
        EXPECT_EQ(failureNumber([&] { textToInt16(text); }), failures::kTypeMismatch) << text;
    }
}

TEST(TextToInt16, NumbersBeyondSixteenBitsOverflow) {
    for (const char* text : {"70000", "32768", "-32769", "32767.5", "1e400"}) {
        EXPECT_EQ(failureNumber([&] { textToInt16(text); }), failures::kOverflow) << text;
    }
}

TEST(TextToInt32, CoversTheSigned32BitRange) {
    EXPECT_EQ(textToInt32("2147483647"), 2147483647);
    EXPECT_EQ(failureNumber([] { textToInt32("2147483648"); }), failures::kOverflow);
    EXPECT_EQ(failureNumber([] { textToInt32(""); }), failures::kTypeMismatch);
}

TEST(TextToBool, AcceptsWordsInAnyCaseAndNumbers) {
    for (const char* text : {"True", "true", "TRUE", "-1", "7", "0.5"}) EXPECT_TRUE(textToBool(text)) << text;
    for (const char* text : {"False", "false", "FALSE", "0", "0.0"}) EXPECT_FALSE(textToBool(text)) << text;
    for (const char* text : {"", "yes", "on", "Truex"}) {
        EXPECT_EQ(failureNumber([&] { textToBool(text); }), failures::kTypeMismatch) << text;
    }
}

TEST(LeadingNumber, ReadsAsFarAsTheNumberGoes) {
    EXPECT_EQ(leadingNumber("001"), 1);
    EXPECT_EQ(leadingNumber("000"), 0);
    EXPECT_EQ(leadingNumber("Not Found"), 0);
    EXPECT_EQ(leadingNumber(""), 0);
    EXPECT_EQ(leadingNumber("  12abc"), 12);
    EXPECT_EQ(leadingNumber("-3.5x"), -3.5);
}

TEST(FormatAtLeast3, PadsToThreeDigits) {
    EXPECT_EQ(formatAtLeast3(1), "001");
    EXPECT_EQ(formatAtLeast3(0), "000");
    EXPECT_EQ(formatAtLeast3(1234), "1234");
    EXPECT_EQ(formatAtLeast3(4294967295.0), "4294967295");
}

}  // namespace
}  // namespace lumaris
