#pragma once

#include <string>
#include <string_view>

namespace tablora::data {

// Identifiers are quoted so that any table or column name is taken as a name, never as SQL.
inline std::string quoted(std::string_view name) {
    std::string out = "\"";
    for (char c : name) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
    return out;
}

}  // namespace tablora::data
