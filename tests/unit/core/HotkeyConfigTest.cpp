// HotkeyConfig: rendering, the stored JSON form and what fails to decode.
#include "TestNames.h"
#include "core/HotkeyConfig.h"

#include <QStringList>
#include <gtest/gtest.h>

#include <ostream>

namespace parlix {
void PrintTo(const HotkeyConfig &c, std::ostream *os)
{
    *os << "{keyCode " << c.keyCode << ", modifiers " << c.modifiers << "}";
}
} // namespace parlix

using parlix::HotkeyConfig;

namespace {

constexpr quint32 cmd = HotkeyConfig::command;
constexpr quint32 opt = HotkeyConfig::option;
constexpr quint32 ctrl = HotkeyConfig::control;
constexpr quint32 shift = HotkeyConfig::shift;

struct DisplayCase {
    HotkeyConfig config;
    const char *expected;
};

void PrintTo(const DisplayCase &c, std::ostream *os) { *os << c.config.keyCode << "_" << c.config.modifiers; }

class HotkeyDisplay : public ::testing::TestWithParam<DisplayCase> {};

TEST_P(HotkeyDisplay, RendersModifiersInFixedOrderThenTheKey)
{
    EXPECT_EQ(GetParam().config.displayString(), QString::fromUtf8(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(Table, HotkeyDisplay,
                         ::testing::Values(DisplayCase{HotkeyConfig::defaultConfig(), "Ctrl+Alt+Space"},
                                           DisplayCase{{2, cmd | shift}, "Super+Shift+D"},
                                           DisplayCase{{49, shift | ctrl | opt | cmd}, "Super+Ctrl+Alt+Shift+Space"},
                                           DisplayCase{{50, 0}, "Key50"},
                                           DisplayCase{{4294967295u, ctrl}, "Ctrl+Key4294967295"},
                                           // Unrendered bits (caps lock 0x400) are carried but not shown.
                                           DisplayCase{{36, 0x400 | cmd}, "Super+Return"}));

TEST(HotkeyEncode, CompactJsonWithKeyCodeFirst)
{
    EXPECT_EQ(HotkeyConfig({2, cmd | shift}).encode(), QByteArray(R"({"keyCode":2,"modifiers":768})"));
    EXPECT_EQ(HotkeyConfig::defaultConfig().encode(), QByteArray(R"({"keyCode":49,"modifiers":6144})"));
    const HotkeyConfig big{4294967295u, 4294967295u};
    EXPECT_EQ(HotkeyConfig::decode(big.encode()), std::optional<HotkeyConfig>(big));
}

struct DecodeCase {
    const char *name;
    const char *json;
    std::optional<HotkeyConfig> expected;
};

void PrintTo(const DecodeCase &c, std::ostream *os) { *os << c.name; }

class HotkeyDecode : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(HotkeyDecode, NeedsBothMembersAsUnsigned32BitIntegers)
{
    EXPECT_EQ(HotkeyConfig::decode(QByteArray(GetParam().json)), GetParam().expected) << GetParam().json;
}

INSTANTIATE_TEST_SUITE_P(Table, HotkeyDecode,
                         ::testing::Values(DecodeCase{"stored_form", R"({"keyCode":2,"modifiers":768})", HotkeyConfig{2, 768}},
                                           DecodeCase{"extra_member_ignored", R"({"keyCode":2,"modifiers":768,"extra":true})", HotkeyConfig{2, 768}},
                                           DecodeCase{"largest_key_code", R"({"keyCode":4294967295,"modifiers":0})", HotkeyConfig{4294967295u, 0}},
                                           DecodeCase{"missing_modifiers", R"({"keyCode":2})", std::nullopt},
                                           DecodeCase{"missing_key_code", R"({"modifiers":768})", std::nullopt},
                                           DecodeCase{"text_member", R"({"keyCode":"2","modifiers":768})", std::nullopt},
                                           DecodeCase{"negative", R"({"keyCode":-1,"modifiers":768})", std::nullopt},
                                           DecodeCase{"fractional", R"({"keyCode":2.5,"modifiers":768})", std::nullopt},
                                           DecodeCase{"above_32_bits", R"({"keyCode":4294967296,"modifiers":768})", std::nullopt},
                                           DecodeCase{"array", R"([2,768])", std::nullopt},
                                           DecodeCase{"truncated", R"({"keyCode":2,"modifiers":768)", std::nullopt}));

} // namespace
