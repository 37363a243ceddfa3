// "Analysis" driven offscreen on the small plant of the analysis tests.
#include "analysis/ui/FrmAnalysis.h"
#include "analysis/AnalysisFixture.h"
#include "ui/DatePicker.h"

#include <QApplication>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QFileDialog>
#include <QFileInfo>
#include <QGraphicsTextItem>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace nax;

namespace {

class FrmAnalysisTest : public test::AnalysisPlant {
protected:
    void SetUp() override {
        AnalysisPlant::SetUp();
        plant();
        db->setClock([] { return 46362.5; }); // 06-Dec-26 12:00
        context.exportGrid = [this](const ReportGrid& grid, const std::string& title, const std::string&) {
            exported.emplace_back(title, test::joined(grid, 1));
        };
    }

    // Types the file name and Enter into the save dialog once it is up; cancels one without a name box.
    void answerSaveDialog(const QString& path) {
        QTimer::singleShot(10, &owner, [this, path] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!dialog) return answerSaveDialog(path);
            auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            if (!name) return dialog->reject();
            name->selectAll();
            QTest::keyClicks(name, QFileInfo(path).fileName()); // the dialog opens in the data folder
            QTest::keyClick(name, Qt::Key_Return);
            if (dialog->isVisible()) dialog->reject();
        });
    }

    QObject owner;
    CapturedMessages messages;
    NoEventPump pump;
    AppContext context{*db, messages, pump, dir.path(), {}, {}};
    std::vector<std::pair<std::string, std::string>> exported;
};

// Colours in the picture: a blank one has one.
int colours(const QImage& image) {
    QSet<QRgb> seen;
    for (int y = 0; y < image.height(); y += 3)
        for (int x = 0; x < image.width(); x += 3)
            seen.insert(image.pixel(x, y));
    return static_cast<int>(seen.size());
}

// The texts of a chart shown that are cut short ("Operational L..."), one a line.
std::string cutTexts(QChartView& view) {
    std::string cut;
    for (QGraphicsItem* item : view.scene()->items())
        if (auto* text = dynamic_cast<QGraphicsTextItem*>(item); text && text->toPlainText().endsWith(u"..."))
            cut += text->toPlainText().toStdString() + "\n";
    return cut;
}

TEST_F(FrmAnalysisTest, OpensOnThirtyDaysDrawsTheChartsThatGrowAndSaveAsPngAndRefusesAStartAfterTheEnd) {
    FrmAnalysis window(context);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    EXPECT_DOUBLE_EQ(window.DTStart->serial(), 46332);
    EXPECT_DOUBLE_EQ(window.DTEnd->serial(), 46362);
    EXPECT_EQ(window.DTStart->text(), QStringLiteral("06-Nov-26"));
    QStringList tabs;
    for (int i = 0; i < window.TabCharts->count(); ++i)
        tabs << window.TabCharts->tabText(i);
    EXPECT_EQ(tabs.join(u'|'),
              QStringLiteral("Loss Pareto|Top Assets|Top Failures|ME and NAX by Day|Classification"));
    EXPECT_EQ(window.currentTable().grid.rows(), 1);
    QTest::mouseClick(window.CmdGenerate, Qt::LeftButton);
    ASSERT_EQ(window.currentTable().grid.rows(), 9);
    EXPECT_EQ(window.LblCounts->text(), QStringLiteral("3 runs, 6 events, 2 unclassified"));
    // The bars carry their values; the grey bar of the unclassified stops has its legend entry.
    const auto series = window.chartViews[0]->chart()->series();
    ASSERT_EQ(series.size(), 3);
    auto* bars = qobject_cast<QBarSeries*>(series[0]);
    ASSERT_NE(bars, nullptr);
    EXPECT_TRUE(bars->isLabelsVisible());
    EXPECT_EQ(bars->barSets().front()->at(0), 119.0);
    EXPECT_EQ(bars->barSets().front()->selectedBars(), QList<int>{4});
    EXPECT_EQ(series[2]->name(), QStringLiteral("Unclassified Stops"));
    EXPECT_EQ(cutTexts(*window.chartViews[0]), "");

    // Ctrl+E hands the table of the chart shown to the workbook export.
    QTest::mouseClick(window.TabCharts->tabBar(), Qt::LeftButton, {},
                      window.TabCharts->tabBar()->tabRect(1).center());
    ASSERT_EQ(window.TabCharts->currentIndex(), 1);
    EXPECT_EQ(cutTexts(*window.chartViews[1]), "");
    QTest::keyClick(&window, Qt::Key_E, Qt::ControlModifier);
    ASSERT_EQ(exported.size(), 1u);
    EXPECT_EQ(exported[0],
              std::make_pair(std::string("Top Assets"), std::string("Filler|56|3|18.67|261.33")));

    const QSize designed = window.chartViews[1]->size();
    window.showMaximized();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.chartViews[1]->size() != designed; }));
    const QSize grown = window.chartViews[1]->size();
    EXPECT_GT(grown.width(), designed.width());
    EXPECT_GT(grown.height(), designed.height());

    const QString path = QString::fromStdString(dir.file("assets.png"));
    answerSaveDialog(path);
    QTest::mouseClick(window.CmdSavePng, Qt::LeftButton);
    EXPECT_TRUE(messages.messages.empty());
    QImage saved(path);
    ASSERT_FALSE(saved.isNull());
    EXPECT_EQ(saved.size(), grown * window.chartViews[1]->devicePixelRatio());
    EXPECT_GT(colours(saved), 3);

    // A start after the end, set by clicking the start's year and pressing Up, keeps the charts drawn.
    QLineEdit* text = window.DTStart->findChild<QLineEdit*>();
    ASSERT_NE(text, nullptr);
    const QPoint year(text->fontMetrics().horizontalAdvance(QStringLiteral("06-Nov-2")) + 2,
                      text->height() / 2);
    QTest::mouseClick(text, Qt::LeftButton, {}, year);
    QTest::keyClick(window.DTStart, Qt::Key_Up);
    ASSERT_GT(window.DTStart->serial(), window.DTEnd->serial());
    QTest::mouseClick(window.CmdGenerate, Qt::LeftButton);
    EXPECT_EQ(test::shownMessages(messages), "Online NAX Reporting|None|Invalid Dates Selected\n");
    EXPECT_EQ(window.currentTable().grid.rows(), 5);
    EXPECT_EQ(window.LblCounts->text(), QStringLiteral("3 runs, 6 events, 2 unclassified"));

    window.DTStart->setSerial(46400); // no runs: the note, not an error
    window.DTEnd->setSerial(46401);
    QTest::mouseClick(window.CmdGenerate, Qt::LeftButton);
    EXPECT_TRUE(
        window.chartViews[0]->chart()->title().contains(QStringLiteral("No finished runs in the range.")));
}

// Closes the window, and presses Generate again, whenever the report lets events through.
class ClosingPump : public EventPump {
public:
    void processEvents() override {
        if (!window) return;
        ++calls;
        QTest::mouseClick(window->CmdGenerate, Qt::LeftButton);
        window->close();
    }
    FrmAnalysis* window = nullptr;
    int calls = 0;
};

TEST_F(FrmAnalysisTest, ClosingWhileGeneratingStopsTheReportAndThrowsItAway) {
    ClosingPump closing;
    AppContext closingContext{*db, messages, closing, dir.path(), {}, {}};
    FrmAnalysis window(closingContext);
    window.show();
    closing.window = &window;
    QTest::mouseClick(window.CmdGenerate, Qt::LeftButton);
    closing.window = nullptr;
    EXPECT_GT(closing.calls, 0);
    EXPECT_TRUE(messages.messages.empty());
    EXPECT_FALSE(window.isVisible());
    EXPECT_FALSE(window.isBusy());
    EXPECT_EQ(window.currentTable().grid.rows(), 1); // the stopped report's tables are not shown
}

} // namespace
