#include "DataFolder.h"

#include <cstdlib>

namespace nax {

std::filesystem::path resolveDataFolder(const std::optional<std::string>& commandLineDir) {
    if (commandLineDir && !commandLineDir->empty()) return *commandLineDir;
    if (const char* env = std::getenv("NAX_DATA_DIR"); env && *env) return env;
#ifdef _WIN32
    return "C:\\NAX\\";
#else
    const char* home = std::getenv("HOME");
    return std::filesystem::path(home ? home : ".") / "NAX";
#endif
}

std::filesystem::path databaseFile(const std::filesystem::path& dataFolder) {
    return dataFolder / "db1.sqlite";
}

std::string resolveDatabase(const std::optional<std::string>& commandLineDb,
                            const std::optional<std::string>& commandLineDir) {
    if (commandLineDb) return *commandLineDb;
    if (!commandLineDir || commandLineDir->empty())
        if (const char* env = std::getenv("NAX_DB"); env && *env) return env;
    return databaseFile(resolveDataFolder(commandLineDir)).string();
}

} // namespace nax
