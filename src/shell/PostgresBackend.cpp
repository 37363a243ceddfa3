#include "DbBackend.h"
namespace nax {
Result<std::unique_ptr<DbBackend>> openPostgresBackend(const std::string&, const OpenOptions&, const DbConnection&) {
    return Error{1, "PostgreSQL is not available in this build."};
}
}
