#include "util/gbk.h"

#include <iconv.h>

#include <cerrno>
#include <cstring>

#include "util/text.h"

namespace tablora::util {

std::string toGbk(std::string_view utf8) {
    iconv_t cd = iconv_open("GBK", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(utf8);
    std::string out;
    out.reserve(utf8.size());
    char buffer[4096];
    size_t pos = 0;
    while (pos < utf8.size()) {
        // Whole runs go through iconv at once; where it stops at a character GBK cannot hold
        // (or a malformed byte), that character becomes "?" and the run goes on after it.
        char* in = const_cast<char*>(utf8.data() + pos);
        size_t inLeft = utf8.size() - pos;
        char* dst = buffer;
        size_t outLeft = sizeof buffer;
        const size_t rc = iconv(cd, &in, &inLeft, &dst, &outLeft);
        out.append(buffer, static_cast<size_t>(dst - buffer));
        pos = utf8.size() - inLeft;
        if (rc != static_cast<size_t>(-1) || errno == E2BIG) continue;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        out.push_back('?');
        size_t len = static_cast<size_t>(utf8SequenceLength(static_cast<unsigned char>(utf8[pos])));
        if (pos + len > utf8.size() || !isValidUtf8(utf8.substr(pos, len))) len = 1;
        pos += len;
    }
    iconv_close(cd);
    return out;
}

void GbkConverter::append(std::string& out, std::string_view utf8) {
    size_t i = 0;
    const size_t n = utf8.size();
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(utf8[k]); };
    while (i < n) {
        // Runs of ASCII are the same bytes in GBK: copied as they are, eight at a time.
        size_t j = i;
        while (j + 8 <= n) {
            std::uint64_t word;
            std::memcpy(&word, utf8.data() + j, 8);
            if (word & 0x8080808080808080ULL) break;
            j += 8;
        }
        while (j < n && byte(j) < 0x80) ++j;
        out.append(utf8.data() + i, j - i);
        if ((i = j) >= n) break;
        const unsigned char lead = byte(i);
        // Two- and three-byte characters (every Chinese one) are decoded here and looked up;
        // four-byte ones and malformed bytes go the slow way, as toGbk gives them.
        char32_t cp = 0;
        size_t len = 0;
        if (lead >= 0xC2 && lead <= 0xDF && i + 1 < n && (byte(i + 1) & 0xC0) == 0x80) {
            cp = (static_cast<char32_t>(lead & 0x1F) << 6) | (byte(i + 1) & 0x3F);
            len = 2;
        } else if ((lead & 0xF0) == 0xE0 && i + 2 < n && (byte(i + 1) & 0xC0) == 0x80 &&
                   (byte(i + 2) & 0xC0) == 0x80) {
            cp = (static_cast<char32_t>(lead & 0x0F) << 12) |
                 (static_cast<char32_t>(byte(i + 1) & 0x3F) << 6) | (byte(i + 2) & 0x3F);
            len = cp >= 0x800 && (cp < 0xD800 || cp > 0xDFFF) ? 3 : 0;
        }
        if (len == 0) {
            const size_t whole = static_cast<size_t>(utf8SequenceLength(lead));
            if (whole == 4 && i + 4 <= n && isValidUtf8(utf8.substr(i, 4))) {
                out += toGbk(utf8.substr(i, 4));
                i += 4;
            } else {
                out.push_back('?');  // a malformed byte
                ++i;
            }
            continue;
        }
        std::uint32_t& known = m_bmp[cp];
        if (known == 0) {
            const std::string gbk = toGbk(utf8.substr(i, len));
            std::uint32_t bytes = 0;
            for (char b : gbk) bytes = (bytes << 8) | static_cast<unsigned char>(b);
            known = 1 + (static_cast<std::uint32_t>(gbk.size()) << 16) + bytes;
        }
        i += len;
        const std::uint32_t value = known - 1;
        const size_t size = value >> 16;
        for (size_t k = size; k-- > 0;) out.push_back(static_cast<char>((value >> (8 * k)) & 0xFF));
    }
}

}  // namespace tablora::util
