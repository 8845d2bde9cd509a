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

}  // namespace tablora::util
