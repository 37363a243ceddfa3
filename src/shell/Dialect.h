#pragma once
// The desktop dialect's functions, registered on every connection.
namespace nax {
class DbConnection;
void registerDialectFunctions(DbConnection& connection);
} // namespace nax
