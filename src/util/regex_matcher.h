#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tablora::util {

// A pattern run over a subject, handing out the matches. UTF-8 in and out; one Chinese
// character is one character to a pattern. Copies share the compiled pattern and matches.
class RegexMatcher {
  public:
    RegexMatcher();
    ~RegexMatcher();
    RegexMatcher(const RegexMatcher&);
    RegexMatcher& operator=(const RegexMatcher&);

    // Compiles the pattern and collects its matches in the subject (all of them when global,
    // else the first). With quoteToken every "#引号" in the pattern stands for a double quote.
    // False when the pattern is rejected; an empty match list is still true.
    bool execute(std::string_view pattern, std::string_view subject, bool caseSensitive = false,
                 bool multiLine = true, bool global = true, bool quoteToken = false);

    std::string pattern() const;
    // The subject with its matches replaced; "$1", "$&" and "$$" in the replacement work.
    std::string replace(std::string_view replacement) const;
    int matchCount() const;
    std::string matchText(int i) const;
    std::string submatchText(int i, int j) const;
    int submatchCount() const;

  private:
    struct Engine;
    struct Match {
        std::string text;
        std::vector<std::string> groups;
    };
    std::shared_ptr<Engine> m_engine;
    std::shared_ptr<const std::vector<Match>> m_matches;
    std::string m_subject;
};

// The ASCII digits of a text, in order; everything else dropped.
std::string DigitsOnly(std::string_view text);

}  // namespace tablora::util
