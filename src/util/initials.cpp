#include "util/initials.h"

#include <unicode/translit.h>
#include <unicode/unistr.h>
#include <unicode/utrans.h>

#include <cctype>
#include <memory>

namespace tablora::util {
namespace {

std::string lowered(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

}  // namespace

std::string dishInitials(std::string_view name) {
    // Made once a thread: building the transliterator costs milliseconds, using it microseconds.
    thread_local std::unique_ptr<icu::Transliterator> latin = [] {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::Transliterator> t(
            icu::Transliterator::createInstance("Han-Latin; Latin-ASCII", UTRANS_FORWARD, status));
        return U_SUCCESS(status) ? std::move(t) : nullptr;
    }();
    std::string initials;
    const icu::UnicodeString text = icu::UnicodeString::fromUTF8(
        icu::StringPiece(name.data(), static_cast<int32_t>(name.size())));
    for (int32_t i = 0; i < text.length();) {
        const UChar32 c = text.char32At(i);
        i += U16_LENGTH(c);
        if (c < 0x80) {
            if (std::isalnum(c)) initials += static_cast<char>(std::tolower(c));
            continue;
        }
        if (!latin) continue;
        // One character at a time: a phrase's reading would be split differently.
        icu::UnicodeString one(c);
        latin->transliterate(one);
        std::string reading;
        one.toUTF8String(reading);
        for (const char r : reading)
            if (std::isalpha(static_cast<unsigned char>(r))) {
                initials += static_cast<char>(std::tolower(static_cast<unsigned char>(r)));
                break;
            }
    }
    return initials;
}

bool initialsMatch(std::string_view initials, std::string_view name, std::string_view typed,
                   bool& first) {
    first = false;
    if (typed.empty()) return false;
    const std::string letters = lowered(typed);
    const size_t at = lowered(initials).find(letters);
    if (at != std::string::npos) {
        first = at == 0;
        return true;
    }
    return name.find(typed) != std::string_view::npos;
}

}  // namespace tablora::util
