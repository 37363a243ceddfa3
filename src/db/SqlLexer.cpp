#include "SqlLexer.h"

namespace nax {

std::size_t quotedEnd(std::string_view sql, std::size_t at) {
    const char opening = sql[at];
    const char closing = opening == '[' ? ']' : opening;
    std::size_t i = at + 1;
    while (i < sql.size()) {
        if (sql[i] != closing) {
            ++i;
        } else if (opening != '[' && i + 1 < sql.size() && sql[i + 1] == closing) {
            i += 2;
        } else {
            return i + 1;
        }
    }
    return sql.size();
}

} // namespace nax
