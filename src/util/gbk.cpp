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
    char buffer[256];
    size_t pos = 0;
    while (pos < utf8.size()) {
        // One character at a time keeps the substitution exact and the state simple.
        size_t len = static_cast<size_t>(utf8SequenceLength(static_cast<unsigned char>(utf8[pos])));
        if (pos + len > utf8.size() || !isValidUtf8(utf8.substr(pos, len))) {
            out.push_back('?');
            ++pos;
            continue;
        }
        if (len == 1) {
            out.push_back(utf8[pos]);
            ++pos;
            continue;
        }
        char* in = const_cast<char*>(utf8.data() + pos);
        size_t inLeft = len;
        char* dst = buffer;
        size_t outLeft = sizeof buffer;
        if (iconv(cd, &in, &inLeft, &dst, &outLeft) == static_cast<size_t>(-1)) {
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
            out.push_back('?');
        } else {
            out.append(buffer, static_cast<size_t>(dst - buffer));
        }
        pos += len;
    }
    iconv_close(cd);
    return out;
}

}  // namespace tablora::util
