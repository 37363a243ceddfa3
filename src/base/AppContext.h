#pragma once
// What the windows are handed: the connection, where messages go, the event pump and the data
// folder. Tests inject their own.
#include "EventPump.h"
#include "Messages.h"
#include "ReportGrid.h"

#include <filesystem>
#include <functional>
#include <string>

namespace nax {

class DbConnection; // the database layer lies above this one; the windows include it

struct AppContext {
    DbConnection& db;
    MessageSink& messages;
    EventPump& pump;
    std::filesystem::path dataFolder;
    // Hands a finished workbook to the user; false when no program could open it. Tests record
    // the path instead.
    std::function<bool(const std::string& path)> openWorkbook = [](const std::string&) { return true; };
    // Writes a grid into a new workbook (Ctrl+E in the lists); empty until workbooks exist. `range`
    // follows the title in the printed page header (empty when the title names the range).
    std::function<void(const ReportGrid& grid, const std::string& title, const std::string& range)>
        exportGrid;
};

} // namespace nax
