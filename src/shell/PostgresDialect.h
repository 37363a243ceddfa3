#pragma once
// The desktop dialect as PostgreSQL reads it. Statements keep their text; names in brackets,
// the dialect's functions, #date# literals and case-blind text comparisons are rewritten, and
// the session gets the functions they call as temporary ones (nothing lasting is created).
#include "Result.h"

#include <string>
#include <string_view>

namespace nax {

// The statement for the server. now() becomes the serial `nowSerial`; a malformed #date#
// literal is an error.
Result<std::string> postgresStatement(std::string_view sql, double nowSerial);

// Statements that create the session's temporary collation and functions.
const char* postgresSessionSql();

} // namespace nax
