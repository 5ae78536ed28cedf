// HotkeyConfig: rendering, and which stored JSON forms decode.
#include "core/HotkeyConfig.h"

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

TEST(HotkeyDisplay, RendersModifiersInFixedOrderThenTheKey)
{
    const DisplayCase cases[] = {
        {HotkeyConfig::defaultConfig(), "Ctrl+Alt+Space"},
        {{2, cmd | shift}, "Super+Shift+D"},
        {{49, shift | ctrl | opt | cmd}, "Super+Ctrl+Alt+Shift+Space"},
        {{50, 0}, "Key50"},
        // Unrendered bits (caps lock 0x400) are carried but not shown.
        {{36, 0x400 | cmd}, "Super+Return"},
    };
    for (const DisplayCase &param : cases) {
        SCOPED_TRACE(&param - cases);
        EXPECT_EQ(param.config.displayString(), QString::fromUtf8(param.expected));
    }
}

struct DecodeCase {
    const char *name;
    const char *json;
    std::optional<HotkeyConfig> expected;
};

TEST(HotkeyDecode, NeedsBothMembersAsUnsigned32BitIntegers)
{
    const DecodeCase cases[] = {
        {"stored_form", R"({"keyCode":2,"modifiers":768})", HotkeyConfig{2, 768}},
        {"largest_key_code", R"({"keyCode":4294967295,"modifiers":0})", HotkeyConfig{4294967295u, 0}},
        {"missing_modifiers", R"({"keyCode":2})", std::nullopt},
        {"text_member", R"({"keyCode":"2","modifiers":768})", std::nullopt},
        {"negative", R"({"keyCode":-1,"modifiers":768})", std::nullopt},
        {"above_32_bits", R"({"keyCode":4294967296,"modifiers":768})", std::nullopt},
        {"truncated", R"({"keyCode":2,"modifiers":768)", std::nullopt},
    };
    for (const DecodeCase &param : cases) {
        SCOPED_TRACE(param.name);
        EXPECT_EQ(HotkeyConfig::decode(QByteArray(param.json)), param.expected) << param.json;
    }
}

} // namespace
