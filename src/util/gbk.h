#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tablora::util {

// UTF-8 to GBK for export files; a character GBK cannot hold (or a malformed byte) becomes "?".
std::string toGbk(std::string_view utf8);

// The same conversion for a long text given piece by piece (an export of a million rows):
// ASCII is copied as it is and each other character is looked up in what iconv gave the first
// time it was met, so iconv is asked once per character, not once per byte.
class GbkConverter {
  public:
    void append(std::string& out, std::string_view utf8);

  private:
    // Per BMP code point: 0 not met yet, else the GBK bytes ("?" included) as 1 + length * 2^16
    // + bytes.
    std::vector<std::uint32_t> m_bmp = std::vector<std::uint32_t>(0x10000, 0);
};

}  // namespace tablora::util
