#include "PlantDatabase.h"

#include "QueryHelpers.h"

#include <filesystem>

namespace nax {

namespace {
// The tables the windows and reports read.
constexpr const char* kPlantTables[] = {
    "TimeLost",     "Tag_Master",       "Run_master",     "opc",         "Pack_Master",    "Flavor_Master",
    "Asset_Master", "Component_master", "Failure_Master", "Misc_Master", "Employee_Master"};
constexpr int kReadOnlyRollback = 776; // a hot journal on a connection that cannot write

Error explained(const Error& error) {
    if (error.code != kReadOnlyRollback) return error;
    return Error{error.code, "The database was left in the middle of a change (it has a hot journal) and "
                             "needs to be opened once read-write to recover; it was opened read-only."};
}
} // namespace

Result<std::unique_ptr<DbConnection>> openPlantConnection(const std::string& path, OpenOptions options) {
    auto opened = DbConnection::open(path, options);
    if (!opened) return explained(opened.error());
    std::string missing;
    for (const char* table : kPlantTables) {
        auto probe = opened.value()->openRecordset("select * from [" + std::string(table) + "] where 1=0");
        if (probe) continue;
        if (probe.error().message.find("no such table") == std::string::npos &&
            probe.error().message.find("does not exist") == std::string::npos)
            return explained(probe.error());
        missing += (missing.empty() ? "" : ", ") + std::string(table);
    }
    if (!missing.empty())
        return Error{0, displayName(path) + " is not a plant database: it has no table " + missing + "."};
    return std::move(opened.value());
}

std::string cannotOpenText(const std::string& path, const Error& error) {
    if (path.empty()) return "Cannot open the database: " + error.message;
    return "Cannot open the database " + displayName(path) + "\n" + describeError(error);
}

std::unique_ptr<DbConnection> openPlantDatabase(const std::string& path, MessageSink& messages,
                                                OpenOptions options) {
    auto opened = openPlantConnection(path, options);
    if (opened) return std::move(opened.value());
    std::string text = cannotOpenText(path, opened.error());
    if (!path.empty() && !isServerConnection(path) && !std::filesystem::exists(path))
        text +=
            "\n\nThere is no database there. To make a demo one, run:\n  nax-simulate --out \"" + path + "\"";
    messages.show(text, MessageIcon::Critical);
    return nullptr;
}

} // namespace nax
