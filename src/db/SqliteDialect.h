#pragma once
// The desktop dialect's functions, registered on every connection.
#include <string>
#include <string_view>

struct sqlite3;

namespace nax {
class DbConnection;

// The collation registered on every SQLite connection: compares texts without regard to the case
// of any letter, not only of ASCII ones as SQLite's NOCASE does.
inline constexpr const char* kIgnoreCaseCollation = "NAX_NOCASE";

// The statement as the engine gets it: text compares without regard to case, as the dialect
// does. Each '...' literal gets COLLATE NAX_NOCASE, and so does the left operand of every IN list
// (SQLite takes an IN comparison's collation from its left side only).
std::string caseInsensitiveStatement(std::string_view sql);

// The dialect's functions on an SQLite connection; now() reads the connection's clock.
void registerDialectFunctions(sqlite3* db, const DbConnection& connection);
} // namespace nax
