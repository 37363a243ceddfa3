#include "WorkbookHandover.h"

#include "db/DbConnection.h"
#include "ui/FrmProgress.h"
#include "xlsx/WorkbookExport.h"

#include <QApplication>
#include <QDesktopServices>
#include <QUrl>

#include <optional>

namespace nax {

void handOverWorkbook(AppContext& context, EventPump& pump, QWidget* over, const WorkbookWriter& write) {
    std::optional<Result<std::filesystem::path>> written;
    {
        FrmProgress progress(pump, over);
        written.emplace(write(progress));
    } // the progress window goes before the workbook or a message appears
    if (*written) {
        const std::string path = written->value().string();
        if (!context.openWorkbook(path))
            context.messages.show(unopenedWorkbookText(path), MessageIcon::Information);
        return;
    }
    const Error& error = written->error();
    if (error.abandoned) return;
    context.messages.show(error.message);
}

void installWorkbookExports(AppContext& context) {
    context.exportGrid = [&context](const ReportGrid& grid, const std::string& title,
                                    const std::string& range) {
        handOverWorkbook(context, context.pump, QApplication::activeWindow(), [&](Progress& progress) {
            return ExportToExcel(grid, title, ExportPlace{context.dataFolder, context.db.now()}, progress,
                                 range);
        });
    };
}

std::string unopenedWorkbookText(const std::string& path) {
    return "The workbook was saved as " + path + " but no program could open it.";
}

bool openWithDesktop(const std::string& path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
}

} // namespace nax
