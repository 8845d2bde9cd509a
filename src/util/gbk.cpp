#include "util/gbk.h"

#include <iconv.h>

#include <cerrno>

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
    while (i < n) {
        size_t j = i;
        while (j < n && static_cast<unsigned char>(utf8[j]) < 0x80) ++j;
        out.append(utf8.substr(i, j - i));
        if ((i = j) >= n) break;
        const auto lead = static_cast<unsigned char>(utf8[i]);
        const size_t len = static_cast<size_t>(utf8SequenceLength(lead));
        if (i + len > n || !isValidUtf8(utf8.substr(i, len))) {
            out.push_back('?');  // a malformed byte, as toGbk gives it
            ++i;
            continue;
        }
        const std::string_view character = utf8.substr(i, len);
        i += len;
        if (len == 4) {
            out += toGbk(character);
            continue;
        }
        char32_t cp = len == 2 ? (lead & 0x1F) : (lead & 0x0F);
        for (size_t k = 1; k < len; ++k)
            cp = (cp << 6) | (static_cast<unsigned char>(character[k]) & 0x3F);
        std::uint32_t& known = m_bmp[cp];
        if (known == 0) {
            const std::string gbk = toGbk(character);
            std::uint32_t bytes = 0;
            for (char b : gbk) bytes = (bytes << 8) | static_cast<unsigned char>(b);
            known = 1 + (static_cast<std::uint32_t>(gbk.size()) << 16) + bytes;
        }
        const std::uint32_t value = known - 1;
        const size_t size = value >> 16;
        for (size_t k = size; k-- > 0;) out.push_back(static_cast<char>((value >> (8 * k)) & 0xFF));
    }
}

}  // namespace tablora::util
