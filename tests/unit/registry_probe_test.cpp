#include <gtest/gtest.h>

#include "fakes.h"
#include "settings/registry_probe.h"

namespace lumaris {
namespace {

using testing::CallLog;
using testing::FakePlatform;

std::string probe(FakePlatform& fake) {
    return getregstring(kHkeyCurrentUser, "Control Panel\\Desktop", "ScreenSaveUsePassword", fake.platform);
}

std::string dword(std::uint32_t v) {
    return std::string{static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF),
                       static_cast<char>((v >> 16) & 0xFF), static_cast<char>((v >> 24) & 0xFF)};
}

TEST(Getregstring, ThirtyTwoBitNumbersKeepTheirFirstThreeDigits) {
    const std::pair<std::uint32_t, const char*> cases[] = {
        {1, "001"}, {0, "000"}, {1234, "123"}, {99, "099"}, {4294967295u, "429"}};
    for (const auto& [value, text] : cases) {
        FakePlatform fake;
        fake.registry.value = dword(value);
        fake.registry.valueType = kRegDword;
        EXPECT_EQ(probe(fake), text) << value;
    }
}

TEST(Getregstring, StringsLoseTheirClosingZero) {
    FakePlatform fake;
    fake.registry.value = std::string("1\0", 2);
    EXPECT_EQ(probe(fake), "1");
}

TEST(Getregstring, MissingValueKeyOrOversizeGiveNotFound) {
    FakePlatform missingValue;
    EXPECT_EQ(probe(missingValue), "Not Found");

    FakePlatform missingKey;
    missingKey.registry.keyExists = false;
    missingKey.registry.value = std::string("1\0", 2);
    EXPECT_EQ(probe(missingKey), "Not Found");

    FakePlatform oversize;
    oversize.registry.value = std::string(2049, 'x');
    EXPECT_EQ(probe(oversize), "Not Found");
    EXPECT_TRUE(oversize.ui.shown.empty());
}

TEST(Getregstring, CallsOpenQueryCloseWithTheFixedBuffer) {
    FakePlatform fake;
    fake.registry.value = std::string("1\0", 2);
    probe(fake);
    EXPECT_EQ(fake.log, (CallLog{"RegOpenKeyA(2147483649, Control Panel\\Desktop)",
                                 "RegQueryValueExA(42, ScreenSaveUsePassword, 2048)", "RegCloseKey(42)"}));
}

TEST(Getregstring, ASizeOfZeroIsTrappedAndGivesTheEmptyText) {
    FakePlatform fake;
    fake.registry.value = std::string();
    fake.registry.reportedSize = 0;
    EXPECT_EQ(probe(fake), "");
    ASSERT_EQ(fake.ui.shown.size(), 1u);
    EXPECT_EQ(fake.ui.shown[0].title, "Error reading registry");
    EXPECT_EQ(fake.ui.shown[0].style, kMbIconExclamation);
    EXPECT_EQ(fake.ui.shown[0].text, "5-Invalid procedure call or argument");
}

}  // namespace
}  // namespace lumaris
