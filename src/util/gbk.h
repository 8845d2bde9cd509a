#pragma once

#include <string>
#include <string_view>

namespace tablora::util {

// UTF-8 to GBK for export files; a character GBK cannot hold (or a malformed byte) becomes "?".
std::string toGbk(std::string_view utf8);

}  // namespace tablora::util
