#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tablora::util {

// True when the bytes are well-formed UTF-8 (1- to 4-byte sequences, no overlong forms,
// no surrogates, nothing above U+10FFFF).
bool isValidUtf8(std::string_view text);

// Full-width forms (U+FF01..U+FF5E) become their ASCII counterparts and the ideographic
// space U+3000 becomes an ASCII space; everything else is kept.
std::string toHalfWidth(std::string_view text);

// The whole-number value of a text as staff type it: full-width characters are taken as
// ASCII, leading white space is skipped, then an optional sign and the decimal digits up
// to the first other character. No leading digits gives 0; values saturate at the int range.
int wholeNumber(std::string_view text);
// The same value, or nothing when it does not fit the int range (where wholeNumber saturates):
// an amount that cannot be stored as typed must be refused, not stored as another.
std::optional<int> wholeNumberIfItFits(std::string_view text);
// A text that is nothing but a whole number from `low` to `high` (full-width digits and
// white space around it allowed), or nothing: "3份", "", "1000" for 1-999 are refused.
std::optional<int> wholeNumberIn(std::string_view text, int low, int high);

// Plain decimal for integers.
std::string numberText(long long value);
// "%.13g": whole values print without a decimal point, so they read back as integers.
std::string numberText(double value);

// True when the text holds nothing but ASCII white space and full-width spaces.
bool isBlank(std::string_view text);

// Length in bytes of the UTF-8 sequence that starts with this lead byte (1 for a stray byte).
int utf8SequenceLength(unsigned char lead);
// How many characters a UTF-8 text holds (as a person counts them: 少辣 is two).
size_t characterCount(std::string_view utf8);

}  // namespace tablora::util
