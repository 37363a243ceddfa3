#include "QtServices.h"

#include <QApplication>
#include <QMessageBox>

namespace nax {

void MessageBoxSink::show(const Message& message) {
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(
        QString::fromStdString(message.caption.empty() ? std::string(kAppTitle) : message.caption));
    box.setText(QString::fromStdString(message.text));
    switch (message.icon) {
    case MessageIcon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case MessageIcon::Warning:
        box.setIcon(QMessageBox::Warning);
        break;
    case MessageIcon::Critical:
        box.setIcon(QMessageBox::Critical);
        break;
    case MessageIcon::None:
        break;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
}

void QtEventPump::processEvents() {
    QCoreApplication::processEvents();
}

} // namespace nax
