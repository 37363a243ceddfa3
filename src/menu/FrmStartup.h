#pragma once
// The main menu: opens the working windows, one instance of each, and ends the program.
#include "analysis/ui/FrmAnalysis.h"
#include "base/AppContext.h"
#include "dms/ui/FrmDMS.h"
#include "downtime/ui/Form2.h"
#include "reports/ui/FrmReports.h"

#include <QPointer>
#include <QWidget>
#include <functional>

class QPushButton;

namespace nax {

class FrmStartup : public QWidget {
    Q_OBJECT
public:
    explicit FrmStartup(AppContext& context, std::function<void()> exitProgram, QWidget* parent = nullptr);

    QPushButton* Command3;    // DMS
    QPushButton* Command4;    // Downtime
    QPushButton* Command2;    // Reports
    QPushButton* CmdAnalysis; // Analysis
    QPushButton* CmdShutDown; // Exit

    Form2* downtimeWindow() const { return downtime_; }
    FrmDMS* dmsWindow() const { return dms_; }
    FrmReports* reportsWindow() const { return reports_; }
    FrmAnalysis* analysisWindow() const { return analysis_; }

private:
    // Shows the window of that kind, creating it when there is none.
    template <class Window> void showSingle(QPointer<Window>& window);
    AppContext& context_;
    QPointer<Form2> downtime_;
    QPointer<FrmDMS> dms_;
    QPointer<FrmReports> reports_;
    QPointer<FrmAnalysis> analysis_;
};

} // namespace nax
