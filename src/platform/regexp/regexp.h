#pragma once
// Regular expressions with the semantics scripts expect of a VBScript RegExp object:
// ECMAScript 3 pattern syntax (\d, \w, \s and \b are ASCII; "." and the anchors treat CR,
// LF and CR LF as line ends; "$" without Multiline matches only at the very end), the
// IgnoreCase, Global and Multiline switches, Test, Execute and Replace with $1..$99, $&,
// $`, $' and $$.
//
// Positions and lengths count characters (code points), the unit every string function of
// the engine counts in, so FirstIndex + 1 can be given to Mid and InStr directly.
//
// A malformed pattern raises, at the first Test, Execute or Replace (or validate()),
// automation::Error 5017 "Syntax error in regular expression", or 5018 "Unexpected
// quantifier", 5019 "Expected ']' in regular expression", 5020 "Expected ')' in regular
// expression", 5021 "Invalid range in character set" where they apply. Compiled patterns
// are cached per thread by pattern and switches.
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillet::platform::regexp {

struct Match {
  size_t firstIndex = 0; // characters before the match
  size_t length = 0;     // characters in the match
  std::string value;
  // One entry per capturing group; nullopt for a group that took no part in the match
  // (scripts see Empty there).
  std::vector<std::optional<std::string>> subMatches;
};

class RegExp {
public:
  RegExp();
  explicit RegExp(std::string pattern, bool ignoreCase = false, bool global = false,
                  bool multiline = false);
  ~RegExp();
  RegExp(const RegExp&);
  RegExp& operator=(const RegExp&);

  const std::string& pattern() const { return pattern_; }
  void setPattern(std::string pattern);
  bool ignoreCase() const { return ignoreCase_; }
  void setIgnoreCase(bool on);
  bool global() const { return global_; }
  void setGlobal(bool on);
  bool multiline() const { return multiline_; }
  void setMultiline(bool on);

  // Whether the pattern matches anywhere in the subject.
  bool test(std::string_view subject) const;
  // The first match, or every non-overlapping match from left to right when Global is set.
  // After an empty match the search goes on one character further.
  std::vector<Match> execute(std::string_view subject) const;
  // The subject with the first match (every match when Global is set) replaced.
  std::string replace(std::string_view subject, std::string_view replacement) const;
  // Compiles the pattern now, raising its syntax error.
  void validate() const;

  struct Compiled;

private:
  const Compiled& compiled() const;

  std::string pattern_;
  bool ignoreCase_ = false;
  bool global_ = false;
  bool multiline_ = false;
  mutable std::shared_ptr<const Compiled> compiled_;
};

} // namespace quillet::platform::regexp
