#include "QtServices.h"

#include <QApplication>
#include <QMessageBox>

namespace nax {

namespace {
// A window a message box can sit over: shown, and neither a tool window nor a popup.
bool canOwnBoxes(const QWidget* window) {
    return window && window->isVisible() &&
           (window->windowType() == Qt::Window || window->windowType() == Qt::Dialog);
}
} // namespace

MessageBoxSink::MessageBoxSink() : focusWatch_(std::make_unique<QObject>()) {
    QObject::connect(qApp, &QApplication::focusChanged, focusWatch_.get(), [this](QWidget*, QWidget* now) {
        if (now) lastFocused_ = now->window();
    });
}

QWidget* MessageBoxSink::owner() const {
    if (QWidget* active = QApplication::activeWindow(); canOwnBoxes(active)) return active;
    return canOwnBoxes(lastFocused_) ? lastFocused_.data() : nullptr;
}

void MessageBoxSink::show(const Message& message) {
    QMessageBox box(owner());
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
