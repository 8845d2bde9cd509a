#pragma once

#include <string>
#include <string_view>

namespace tablora::util {

// A dish's initials as staff type them to find it: the first letter of each character's
// reading, lower case (宫保鸡丁 -> "gbjd"); letters and digits stand for themselves, other
// characters are left out.
std::string dishInitials(std::string_view name);

// Whether typed text finds a dish: its initials contain the typed letters (any case) or its
// name contains the text; `first` tells whether the initials start with them.
bool initialsMatch(std::string_view initials, std::string_view name, std::string_view typed,
                   bool& first);

}  // namespace tablora::util
