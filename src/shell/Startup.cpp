#include "Startup.h"

#include "QueryHelpers.h"

#include <filesystem>

namespace nax {

std::unique_ptr<DbConnection> openPlantDatabase(const std::string& path, MessageSink& messages,
                                                OpenOptions options) {
    auto opened = DbConnection::open(path, options);
    if (opened) return std::move(opened.value());
    std::string text = "Cannot open the database " + displayName(path) + "\n" + describeError(opened.error());
    if (!isServerConnection(path) && !std::filesystem::exists(path))
        text +=
            "\n\nThere is no database there. To make a demo one, run:\n  nax-simulate --out \"" + path + "\"";
    messages.show(text, MessageIcon::Critical);
    return nullptr;
}

} // namespace nax
