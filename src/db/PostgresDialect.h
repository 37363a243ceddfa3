#pragma once
// The desktop dialect as PostgreSQL reads it. Statements keep their text; names in brackets,
// the dialect's functions, #date# literals and case-blind text comparisons are rewritten, and
// the session gets the functions they call as temporary ones (nothing lasting is created).
#include "base/Result.h"

#include <string>
#include <string_view>

namespace nax {

// The statement for the server. now() becomes the serial `nowSerial`; a malformed #date#
// literal is an error.
Result<std::string> postgresStatement(std::string_view sql, double nowSerial);

// The session's temporary helpers a translated statement calls.
struct SessionNeeds {
    bool collation = false; // the case-blind collation of text comparisons
    bool functions = false; // the dialect's functions
};
SessionNeeds sessionNeeds(std::string_view statement);

// Statements that create the session's temporary collation, and its functions.
const char* postgresCollationSql();
const char* postgresFunctionSql();

} // namespace nax
