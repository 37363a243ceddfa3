#pragma once
// The windows' side of a workbook export: one export at a time with the progress window, the
// finished workbook handed to the user, a failure shown with its description.
#include "base/AppContext.h"
#include "base/Progress.h"
#include "base/Result.h"

#include <filesystem>
#include <functional>

class QWidget;

namespace nax {

using WorkbookWriter = std::function<Result<std::filesystem::path>(Progress& progress)>;

// Runs `write` with a progress window over `over` that lets events through `pump`; the window is
// closed before anything is shown. Success opens the workbook through context.openWorkbook (and
// says where it was saved when nothing could open it); a
// failure shows its message; an abandoned export (the pump says so) shows nothing.
void handOverWorkbook(AppContext& context, EventPump& pump, QWidget* over, const WorkbookWriter& write);

// Ctrl+E of the lists: context.exportGrid writes the grid into a new workbook this way.
void installWorkbookExports(AppContext& context);

// Opens a workbook in the desktop's program for it; false when there is none.
bool openWithDesktop(const std::string& path);

// What the user is told when the saved workbook `path` could not be opened.
std::string unopenedWorkbookText(const std::string& path);

} // namespace nax
