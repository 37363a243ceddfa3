// The production report of a whole year filled and shown in the "Reports" window, offscreen:
// bench_reports_window DATABASE [FROM-SERIAL TO-SERIAL]. One database per run, so that the peak
// memory is this report's.
#include "db/DbConnection.h"
#include "reports/ui/FrmReports.h"
#include "ui/DatePicker.h"
#include "ui/ReportGridView.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QPushButton>
#include <cstdio>
#include <cstdlib>
#include <sys/resource.h>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_reports_window DATABASE [FROM-SERIAL TO-SERIAL]\n");
        return 2;
    }
    const double from = argc > 3 ? std::atof(argv[2]) : 45992; // 01-Dec-25 00:00
    const double to = argc > 3 ? std::atof(argv[3]) : 46357;   // 01-Dec-26 00:00
    auto opened = nax::DbConnection::open(argv[1], nax::OpenOptions{10000, true});
    if (!opened) {
        std::fprintf(stderr, "cannot open %s: %s\n", argv[1], opened.error().message.c_str());
        return 1;
    }
    nax::CapturedMessages messages;
    nax::NoEventPump pump;
    nax::AppContext context{*opened.value(), messages, pump, {}, {}, {}};
    nax::FrmReports window(context);
    window.show();
    QCoreApplication::processEvents();
    window.DTStart->setSerial(from);
    window.DTEnd->setSerial(to);

    QElapsedTimer timer;
    timer.start();
    window.CmdGenerate->click();
    QCoreApplication::processEvents();
    window.MSFlexGrid1->scrollToBottom();
    QCoreApplication::processEvents();
    const qint64 shown = timer.elapsed();
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("reports window production %-10s rows %7d  filled+shown %.3f s  peak %ld KB%s\n",
                QFileInfo(QString::fromLocal8Bit(argv[1])).baseName().toLocal8Bit().constData(),
                window.MSFlexGrid1->grid().rows() - 1, shown / 1000.0, usage.ru_maxrss,
                messages.messages.empty() ? "" : "  (failed)");
    return messages.messages.empty() ? 0 : 1;
}
