#pragma once
// What a database engine provides under DbConnection and Recordset. Each engine turns the
// desktop dialect into its own statements; callers never see this layer.
#include "DbConnection.h"

#include <cstdint>
#include <memory>
#include <string_view>

namespace nax {

// One statement's rows, read front to back.
class RecordCursor {
public:
    virtual ~RecordCursor() = default;
    virtual bool atEnd() const = 0;
    virtual int fieldCount() const = 0;
    virtual std::string_view fieldName(int field) const = 0;
    // The accessors below are called only on a row (not at the end) with a valid field.
    virtual ValueKind kind(int field) const = 0;
    virtual int64_t integer(int field) const = 0;
    virtual double real(int field) const = 0;
    virtual std::string_view rawText(int field) const = 0;
    virtual Result<void> moveNext() = 0;
};

class DbBackend {
public:
    virtual ~DbBackend() = default;
    virtual Result<void> execute(std::string_view sql) = 0;
    virtual Result<std::unique_ptr<RecordCursor>> open(std::string_view sql) = 0;
    virtual int changes() const = 0;
};

// The engines. `now` answers the connection's clock at the time a statement runs.
Result<std::unique_ptr<DbBackend>> openSqliteBackend(const std::string& path, const OpenOptions& options,
                                                     const DbConnection& connection);
Result<std::unique_ptr<DbBackend>>
openPostgresBackend(const std::string& conninfo, const OpenOptions& options, const DbConnection& connection);

} // namespace nax
