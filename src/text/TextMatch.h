#pragma once
// Comparing and finding texts: ASCII lower case, the search keys of the pick lists, the
// dialect's Like, and the scrambled statement of a failure message.
#include <cstddef>
#include <string>
#include <string_view>

namespace nax {

// A..Z to a..z; every other byte as it is (whatever the C locale says of bytes past ASCII).
char lowerAscii(char c);
std::string lowerAscii(std::string_view text);

// True when `text` from `at` begins with `lowerPrefix` (lower case), ignoring ASCII case.
bool startsWithNoCase(std::string_view text, std::size_t at, std::string_view lowerPrefix);

// Punctuation and blanks removed, then lower case: "Filler - Valve (A)" -> "fillervalvea".
std::string MakeSearchKey(std::string_view text);

// The dialect's Like: case-sensitive; * any run, ? any one character, # any digit,
// [abc] [a-z] [!abc] one character of (or not of) a list.
bool likeMatch(std::string_view text, std::string_view pattern);

// Obscures a statement for the helpdesk line of a failure message: CR dropped, character i
// (from 1) moved up by 3 * (i mod 3).
std::string ScrambleText(std::string_view text);

} // namespace nax
