#include "menu/FrmStartup.h"

#include "downtime/ui/Form2.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace nax {

FrmStartup::FrmStartup(AppContext& context, std::function<void()> exitProgram, QWidget* parent)
    : QWidget(parent), Command3(new QPushButton(QStringLiteral("DMS"), this)),
      Command4(new QPushButton(QStringLiteral("Downtime"), this)),
      Command2(new QPushButton(QStringLiteral("Reports"), this)),
      CmdAnalysis(new QPushButton(QStringLiteral("Analysis"), this)),
      CmdShutDown(new QPushButton(QStringLiteral("E&xit"), this)), context_(context) {
    setObjectName(QStringLiteral("FrmStartup"));
    setWindowTitle(QString::fromUtf8(kAppTitle.data(), static_cast<qsizetype>(kAppTitle.size())));
    auto* title = new QLabel(QStringLiteral("ONLINE NAX REPORTING"), this);
    title->setObjectName(QStringLiteral("Label1"));
    QFont big = title->font();
    big.setBold(true);
    big.setPointSizeF(big.pointSizeF() * 1.8);
    title->setFont(big);
    title->setAlignment(Qt::AlignCenter);
    auto* release = new QLabel(QStringLiteral("Release Date : 30-June-2010"), this);
    release->setObjectName(QStringLiteral("LblRelease"));

    Command3->setObjectName(QStringLiteral("Command3"));
    Command4->setObjectName(QStringLiteral("Command4"));
    Command2->setObjectName(QStringLiteral("Command2"));
    CmdAnalysis->setObjectName(QStringLiteral("CmdAnalysis"));
    CmdShutDown->setObjectName(QStringLiteral("CmdShutDown"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 18, 24, 12);
    layout->addWidget(title);
    layout->addSpacing(12);
    for (auto* button : {Command3, Command4, Command2, CmdAnalysis}) {
        button->setMinimumHeight(36);
        layout->addWidget(button);
    }
    layout->addSpacing(24);
    CmdShutDown->setMinimumHeight(36);
    layout->addWidget(CmdShutDown);
    layout->addWidget(release);
    setTabOrder(Command4, Command3);
    setTabOrder(Command3, Command2);
    setTabOrder(Command2, CmdAnalysis);
    setTabOrder(CmdAnalysis, CmdShutDown);

    connect(Command3, &QPushButton::clicked, this, [this] { showSingle(dms_); });
    connect(Command4, &QPushButton::clicked, this, [this] { showSingle(downtime_); });
    connect(Command2, &QPushButton::clicked, this, [this] { showSingle(reports_); });
    connect(CmdAnalysis, &QPushButton::clicked, this, [this] { showSingle(analysis_); });
    connect(CmdShutDown, &QPushButton::clicked, this, [exitProgram] { exitProgram(); });
}

template <class Window> void FrmStartup::showSingle(QPointer<Window>& window) {
    if (!window) {
        // A window of its own, owned by the menu so that it never outlives it.
        window = new Window(context_, this);
        window->setWindowFlag(Qt::Window);
        window->setAttribute(Qt::WA_DeleteOnClose);
    }
    window->show();
    window->raise();
    window->activateWindow();
}

} // namespace nax
