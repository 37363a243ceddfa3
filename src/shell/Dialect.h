#pragma once
// The desktop dialect's functions, registered on every connection.
#include <string>
#include <string_view>

namespace nax {
class DbConnection;

// The statement as the engine gets it: text compares without regard to case, as the dialect
// does. Each '...' literal gets COLLATE NOCASE, and so does the left operand of every IN list
// (SQLite takes an IN comparison's collation from its left side only).
std::string caseInsensitiveStatement(std::string_view sql);

void registerDialectFunctions(DbConnection& connection);
} // namespace nax
