#include "util/regex_matcher.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

namespace tablora::util {

struct RegexMatcher::Engine {
    std::string pattern;
    bool global = true;
    pcre2_code* code = nullptr;
    ~Engine() { pcre2_code_free(code); }
};

RegexMatcher::RegexMatcher() = default;
RegexMatcher::~RegexMatcher() = default;
RegexMatcher::RegexMatcher(const RegexMatcher&) = default;
RegexMatcher& RegexMatcher::operator=(const RegexMatcher&) = default;

bool RegexMatcher::execute(std::string_view pattern, std::string_view subject, bool caseSensitive,
                           bool multiLine, bool global, bool quoteToken) {
    m_engine.reset();
    m_matches.reset();
    auto engine = std::make_shared<Engine>();
    engine->global = global;
    engine->pattern = pattern;
    if (quoteToken) {
        static constexpr std::string_view token = "#引号";
        for (size_t pos = engine->pattern.find(token); pos != std::string::npos;
             pos = engine->pattern.find(token, pos + 1)) {
            engine->pattern.replace(pos, token.size(), "\"");
        }
    }
    m_engine = engine;
    m_subject = subject;

    uint32_t options = PCRE2_UTF | PCRE2_MATCH_INVALID_UTF;
    if (!caseSensitive) options |= PCRE2_CASELESS;
    if (multiLine) options |= PCRE2_MULTILINE;
    int error = 0;
    PCRE2_SIZE errorOffset = 0;
    engine->code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(engine->pattern.data()),
                                 engine->pattern.size(), options, &error, &errorOffset, nullptr);
    if (!engine->code) return false;

    auto matches = std::make_shared<std::vector<Match>>();
    pcre2_match_data* data = pcre2_match_data_create_from_pattern(engine->code, nullptr);
    const auto* s = reinterpret_cast<PCRE2_SPTR>(m_subject.data());
    const PCRE2_SIZE length = m_subject.size();
    PCRE2_SIZE start = 0;
    while (start <= length) {
        const int rc = pcre2_match(engine->code, s, length, start, 0, data, nullptr);
        if (rc < 0) break;
        const PCRE2_SIZE* ov = pcre2_get_ovector_pointer(data);
        Match m;
        m.text.assign(m_subject, ov[0], ov[1] - ov[0]);
        const uint32_t pairs = pcre2_get_ovector_count(data);
        for (uint32_t g = 1; g < pairs; ++g) {
            if (static_cast<int>(g) < rc && ov[2 * g] != PCRE2_UNSET) {
                m.groups.emplace_back(m_subject, ov[2 * g], ov[2 * g + 1] - ov[2 * g]);
            } else {
                m.groups.emplace_back();
            }
        }
        matches->push_back(std::move(m));
        if (!global) break;
        if (ov[1] > ov[0]) {
            start = ov[1];
        } else {
            // An empty match: step over one whole character so the scan moves on.
            start = ov[1] + 1;
            while (start < length && (static_cast<unsigned char>(m_subject[start]) & 0xC0) == 0x80)
                ++start;
        }
    }
    pcre2_match_data_free(data);
    m_matches = matches;
    return true;
}

std::string RegexMatcher::pattern() const {
    return m_engine ? m_engine->pattern : std::string();
}

std::string RegexMatcher::replace(std::string_view replacement) const {
    if (!m_engine || !m_engine->code) return m_subject;
    uint32_t options = PCRE2_SUBSTITUTE_OVERFLOW_LENGTH;
    if (m_engine->global) options |= PCRE2_SUBSTITUTE_GLOBAL;
    std::string out(m_subject.size() + replacement.size() * 4 + 64, '\0');
    for (int attempt = 0; attempt < 2; ++attempt) {
        PCRE2_SIZE outLength = out.size();
        const int rc = pcre2_substitute(
            m_engine->code, reinterpret_cast<PCRE2_SPTR>(m_subject.data()), m_subject.size(), 0,
            options, nullptr, nullptr, reinterpret_cast<PCRE2_SPTR>(replacement.data()),
            replacement.size(), reinterpret_cast<PCRE2_UCHAR*>(out.data()), &outLength);
        if (rc >= 0) {
            out.resize(outLength);
            return out;
        }
        if (rc != PCRE2_ERROR_NOMEMORY) return m_subject;
        out.assign(outLength, '\0');
    }
    return m_subject;
}

int RegexMatcher::matchCount() const {
    return m_matches ? static_cast<int>(m_matches->size()) : 0;
}

std::string RegexMatcher::matchText(int i) const {
    if (i < 1 || i > matchCount()) return {};
    return (*m_matches)[static_cast<size_t>(i - 1)].text;
}

std::string RegexMatcher::submatchText(int i, int j) const {
    if (i < 1 || i > matchCount()) return {};
    const auto& groups = (*m_matches)[static_cast<size_t>(i - 1)].groups;
    if (j < 1 || j > static_cast<int>(groups.size())) return {};
    return groups[static_cast<size_t>(j - 1)];
}

int RegexMatcher::submatchCount() const {
    if (matchCount() == 0) return 0;
    return static_cast<int>((*m_matches)[0].groups.size());
}

std::string DigitsOnly(std::string_view text) {
    RegexMatcher matcher;
    matcher.execute("[0-9]", text);
    std::string digits;
    for (int i = 1; i <= matcher.matchCount(); ++i) digits += matcher.matchText(i);
    return digits;
}

}  // namespace tablora::util
