#include "util/text.h"

#include <algorithm>

#include <cstdint>
#include <cstring>
#include <string>

#include <utility>

#include <climits>
#include <cstdio>

namespace tablora::util {

int utf8SequenceLength(unsigned char lead) {
    if (lead < 0x80) return 1;
    if ((lead & 0xE0) == 0xC0) return 2;
    if ((lead & 0xF0) == 0xE0) return 3;
    if ((lead & 0xF8) == 0xF0) return 4;
    return 1;
}

bool isValidUtf8(std::string_view text) {
    size_t i = 0;
    const size_t n = text.size();
    while (i < n) {
        // Runs of ASCII, eight bytes at a time: most of what a restaurant stores.
        while (i + 8 <= n) {
            std::uint64_t word;
            std::memcpy(&word, text.data() + i, 8);
            if (word & 0x8080808080808080ULL) break;
            i += 8;
        }
        if (i >= n) break;
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            ++i;
            continue;
        }
        int len = 0;
        char32_t cp = 0;
        if (c >= 0xC2 && c <= 0xDF) {
            len = 2;
            cp = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            len = 3;
            cp = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            len = 4;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (i + len > n) return false;
        for (int k = 1; k < len; ++k) {
            const auto cc = static_cast<unsigned char>(text[i + k]);
            if ((cc & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (cc & 0x3F);
        }
        if (len == 3 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) return false;
        if (len == 4 && (cp < 0x10000 || cp > 0x10FFFF)) return false;
        i += len;
    }
    return true;
}

std::string toHalfWidth(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const auto c0 = static_cast<unsigned char>(text[i]);
        if (c0 == 0xEF && i + 2 < text.size()) {
            // U+FF01..U+FF5E are EF BC 81..EF BC BF and EF BD 80..EF BD 9E.
            const auto c1 = static_cast<unsigned char>(text[i + 1]);
            const auto c2 = static_cast<unsigned char>(text[i + 2]);
            const int cp = ((c0 & 0x0F) << 12) | ((c1 & 0x3F) << 6) | (c2 & 0x3F);
            if ((c1 & 0xC0) == 0x80 && (c2 & 0xC0) == 0x80 && cp >= 0xFF01 && cp <= 0xFF5E) {
                out.push_back(static_cast<char>(cp - 0xFF01 + 0x21));
                i += 3;
                continue;
            }
        }
        if (c0 == 0xE3 && i + 2 < text.size() && static_cast<unsigned char>(text[i + 1]) == 0x80 &&
            static_cast<unsigned char>(text[i + 2]) == 0x80) {
            out.push_back(' ');
            i += 3;
            continue;
        }
        out.push_back(static_cast<char>(c0));
        ++i;
    }
    return out;
}

namespace {

// The whole-number reading, unsaturated: the value and whether it ran past the int range.
std::pair<long long, bool> readWholeNumber(std::string_view text) {
    const std::string s = toHalfWidth(text);
    size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || (s[i] >= '\t' && s[i] <= '\r'))) ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        negative = s[i] == '-';
        ++i;
    }
    long long value = 0;
    bool saturated = false;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
        if (!saturated) {
            value = value * 10 + (s[i] - '0');
            if (value > static_cast<long long>(INT_MAX) + 1) saturated = true;
        }
        ++i;
    }
    if (negative) value = -value;
    return {value, saturated || value > INT_MAX || value < INT_MIN};
}

}  // namespace

int wholeNumber(std::string_view text) {
    const auto [value, overflows] = readWholeNumber(text);
    if (overflows) return value < 0 ? INT_MIN : INT_MAX;
    return static_cast<int>(value);
}

std::optional<int> wholeNumberIfItFits(std::string_view text) {
    const auto [value, overflows] = readWholeNumber(text);
    if (overflows) return std::nullopt;
    return static_cast<int>(value);
}

std::optional<int> wholeNumberIn(std::string_view text, int low, int high) {
    const std::string half = toHalfWidth(text);
    const size_t first = half.find_first_not_of(" \t");
    if (first == std::string::npos) return std::nullopt;
    const size_t last = half.find_last_not_of(" \t");
    const std::string_view digits = std::string_view(half).substr(first, last - first + 1);
    if (digits.size() > 9 || digits.find_first_not_of("0123456789") != std::string_view::npos)
        return std::nullopt;
    const int value = std::stoi(std::string(digits));
    if (value < low || value > high) return std::nullopt;
    return value;
}

std::string numberText(long long value) {
    return std::to_string(value);
}

std::string numberText(double value) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.13g", value);
    return buf;
}

bool isBlank(std::string_view text) {
    for (size_t i = 0; i < text.size();) {
        const char c = text[i];
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            ++i;
        } else if (text.substr(i, 3) == "\xE3\x80\x80") {
            i += 3;
        } else {
            return false;
        }
    }
    return true;
}

}  // namespace tablora::util

namespace tablora::util {

size_t characterCount(std::string_view utf8) {
    size_t count = 0;
    for (size_t i = 0; i < utf8.size(); ++count)
        i += static_cast<size_t>(
            std::max(1, utf8SequenceLength(static_cast<unsigned char>(utf8[i]))));
    return count;
}

}  // namespace tablora::util
