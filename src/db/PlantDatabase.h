#pragma once
// Opening the plant database at start-up, and what the user is told when that fails.
#include "DbConnection.h"
#include "base/Messages.h"

#include <memory>
#include <string>

namespace nax {

// Opens the plant database and checks that it is one: a file without the plant's tables (an
// empty file, another program's database) fails naming the missing tables, and a file that
// needs a rollback it cannot do read-only says so.
Result<std::unique_ptr<DbConnection>> openPlantConnection(const std::string& path, OpenOptions options = {});

// What the user is told when the open fails: the database's name, then the engine's code and
// description, or why the file is no plant database.
std::string cannotOpenText(const std::string& path, const Error& error);

// Opens the database file; on failure shows the path, the engine's code and description (and,
// when there is no file at all, how to make a demo database) and answers nullptr.
std::unique_ptr<DbConnection> openPlantDatabase(const std::string& path, MessageSink& messages,
                                                OpenOptions options = {});

} // namespace nax
