// Fills a 500,000 x 17 report grid and shows it in the window's grid view, offscreen.
#include "ui/ReportGridView.h"

#include <QApplication>
#include <QElapsedTimer>
#include <cstdio>
#include <string>
#include <sys/resource.h>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    constexpr int kRows = 500000, kCols = 17;
    QElapsedTimer timer;
    timer.start();
    nax::ReportGridView view;
    view.resize(1200, 700);
    nax::ReportGrid grid;
    grid.setCols(kCols);
    grid.setRows(1);
    for (int c = 0; c < kCols; ++c)
        grid.setCell(0, c, "Column " + std::to_string(c));
    grid.reserveRows(kRows + 1);
    std::vector<std::string> texts(kCols);
    std::vector<std::string_view> cells(kCols);
    for (int r = 0; r < kRows; ++r) {
        for (int c = 0; c < kCols; ++c) {
            texts[c] = c == 5 ? "05-Dec-26 07:00:00" : std::to_string(r * 31 + c);
            cells[c] = texts[c];
        }
        grid.addRow(cells, r);
    }
    const qint64 filled = timer.elapsed();
    view.setGrid(std::move(grid));
    view.show();
    QCoreApplication::processEvents();
    view.scrollToBottom();
    QCoreApplication::processEvents();
    const qint64 shown = timer.elapsed();
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("grid 500000x17  filled %.3f s  filled+shown %.3f s  peak %ld KB\n", filled / 1000.0,
                shown / 1000.0, usage.ru_maxrss);
    return 0;
}
