// bench_popup: how long the selection popup takes to open and to narrow its lists on large
// master tables, offscreen. Usage: bench_popup [rows ...]   (default 10000 100000)
#include "downtime/ClassificationSave.h"
#include "downtime/ui/fmselectform.h"
#include "simulate/PlantSchema.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListView>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <sqlite3.h>
#include <string>
#include <vector>

using namespace nax;

namespace {

double ms(const QElapsedTimer& timer) {
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

// Asset names as a plant has them: a machine, a part, a side, a number.
std::string assetName(int i) {
    static const char* machines[] = {"Filler",     "Capper",      "Labeller",   "Packer",
                                     "Rinser",     "Conveyor",    "Palletiser", "Shrink Wrapper",
                                     "Date Coder", "Checkweigher"};
    static const char* parts[] = {"Valve",      "Motor", "Belt", "Sensor",
                                  "Star Wheel", "Guide", "Pump", "Nozzle"};
    return std::string(machines[i % 10]) + " - " + parts[(i / 10) % 8] + " (" +
           static_cast<char>('A' + i % 3) + ") " + std::to_string(i);
}

bool makeDatabase(const std::string& path, int rows) {
    std::filesystem::remove(path);
    sqlite3* db = nullptr;
    if (sqlite3_open(path.c_str(), &db) != SQLITE_OK) return false;
    bool ok = sqlite3_exec(db, plantSchemaSql(), nullptr, nullptr, nullptr) == SQLITE_OK;
    ok = ok && sqlite3_exec(db, "begin", nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_stmt* insert = nullptr;
    ok = ok &&
         sqlite3_prepare_v2(db, "insert into Asset_Master values (?, ?)", -1, &insert, nullptr) == SQLITE_OK;
    for (int i = 1; ok && i <= rows; ++i) {
        const std::string name = assetName(i);
        sqlite3_bind_int(insert, 1, i);
        sqlite3_bind_text(insert, 2, name.c_str(), -1, SQLITE_TRANSIENT);
        ok = sqlite3_step(insert) == SQLITE_DONE;
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    ok = ok && sqlite3_exec(db, "commit", nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return ok;
}

struct Stats {
    double median = 0, worst = 0;
};
Stats stats(std::vector<double> values) {
    if (values.empty()) return {};
    std::sort(values.begin(), values.end());
    return {values[values.size() / 2], values.back()};
}

// One keystroke in txtfields(0) (a character, or Backspace when none) and the repaint of both
// lists that the user waits for.
double keystroke(fmselectform& popup, char text = 0) {
    QElapsedTimer timer;
    timer.start();
    if (text)
        popup.txtfields[0]->insert(QString(QLatin1Char(text)));
    else
        popup.txtfields[0]->backspace();
    popup.List1[0]->viewport()->repaint();
    popup.List1[1]->viewport()->repaint();
    return ms(timer);
}

void benchRows(int rows, const std::filesystem::path& folder) {
    const std::string path = (folder / ("bench_popup_" + std::to_string(rows) + ".db")).string();
    if (!makeDatabase(path, rows)) {
        std::printf("%9d rows: cannot build the database\n", rows);
        return;
    }
    auto opened = DbConnection::open(path);
    if (!opened) return;
    CapturedMessages messages;
    NoEventPump pump;
    AppContext context{**opened, messages, pump, folder, {}, {}};
    QLineEdit target;

    QElapsedTimer open;
    double openMs = 0, loadedRows = 0;
    std::vector<double> narrowing, widening;
    double noMatch = 0;
    fmselectform::modalHook() = [&](fmselectform& popup) {
        popup.show();
        QApplication::processEvents();
        popup.repaint();
        openMs = ms(open);
        loadedRows = popup.ListCount(0);
        for (char c : std::string("filler-valve"))
            narrowing.push_back(keystroke(popup, c));
        for (int i = 0; i < 12; ++i)
            widening.push_back(keystroke(popup));
        noMatch = keystroke(popup, 'x');
        popup.reject();
    };
    PickRequest request = *classificationPickList(kBoxAsset, "");
    open.start();
    PickIntoTextBox(context, &target, request);
    fmselectform::modalHook() = nullptr;

    const Stats narrow = stats(narrowing), wide = stats(widening);
    std::printf("%9d rows: open %8.1f ms (%g listed) | keystroke narrowing median %6.2f ms, worst %6.2f ms | "
                "widening median %6.2f ms, worst (back to all rows) %6.2f ms | no match %6.2f ms\n",
                rows, openMs, loadedRows, narrow.median, narrow.worst, wide.median, wide.worst, noMatch);
    std::fflush(stdout);
    opened.value().reset();
    std::filesystem::remove(path);
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i)
        sizes.push_back(std::atoi(argv[i]));
    if (sizes.empty()) sizes = {10000, 100000};
    const auto folder = std::filesystem::temp_directory_path();
    for (int rows : sizes)
        if (rows > 0) benchRows(rows, folder);
    return 0;
}
