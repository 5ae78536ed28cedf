#pragma once
// Printing of table rows for GoogleTest, which CTest turns into the case names: short, unique,
// limited to [A-Za-z0-9_.-] so the names are easy to select with `ctest -R`.
#include <ostream>
#include <string>
#include <string_view>

namespace parlix::test {

inline std::string identifier(std::string_view text)
{
    std::string out;
    for (const char c : text) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '-';
        out += plain ? c : '_';
    }
    return out.empty() ? std::string("empty") : out;
}

} // namespace parlix::test
