#pragma once
// The one reading of a statement's quoted pieces that every statement rewriter shares: what lies
// inside a '...' text literal, a "..." name or a [name] is copied untouched.
#include <cstddef>
#include <string_view>

namespace nax {

// True when `c` opens a quoted piece: ' " or [.
inline bool opensQuoted(char c) {
    return c == '\'' || c == '"' || c == '[';
}

// End (one past the closing character) of the quoted piece that opens at `at`: '...' and "..."
// take a doubled quote inside as part of them, [...] ends at the first ]. An unclosed piece runs
// to the end of the statement.
std::size_t quotedEnd(std::string_view sql, std::size_t at);

} // namespace nax
