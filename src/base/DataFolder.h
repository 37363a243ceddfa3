#pragma once
// Where the database, the templates and the exported workbooks live.
#include <filesystem>
#include <optional>
#include <string>

namespace nax {

// --data-dir when given, else $NAX_DATA_DIR, else C:\NAX\ on Windows and ~/NAX/ elsewhere.
std::filesystem::path resolveDataFolder(const std::optional<std::string>& commandLineDir);
std::filesystem::path databaseFile(const std::filesystem::path& dataFolder);

// The database to open: --db when given, else the data folder's file when --data-dir is given,
// else $NAX_DB (a file or a server connection), else the data folder's file.
std::string resolveDatabase(const std::optional<std::string>& commandLineDb,
                            const std::optional<std::string>& commandLineDir);

} // namespace nax
