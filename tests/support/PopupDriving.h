#pragma once
// Driving the pick popup, message boxes and the grids with real events, for every window test.
#include "downtime/ui/fmselectform.h"

#include <QAbstractButton>
#include <QApplication>
#include <QListView>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>

namespace nax::test {

// Answers every popup opened while it lives: shows it, then lets the test act on it.
class PopupAnswer {
public:
    explicit PopupAnswer(std::function<void(fmselectform&)> act) {
        fmselectform::modalHook() = [this, act = std::move(act)](fmselectform& popup) {
            ++runs;
            popup.show();
            EXPECT_TRUE(QTest::qWaitForWindowExposed(&popup));
            act(popup);
        };
    }
    ~PopupAnswer() { fmselectform::modalHook() = nullptr; }
    PopupAnswer(const PopupAnswer&) = delete;
    PopupAnswer& operator=(const PopupAnswer&) = delete;
    int runs = 0;
};

// A double-click as the window system delivers it: press, release, double-click, release.
inline void doubleClick(QWidget* widget, QPoint at) {
    QTest::mouseClick(widget, Qt::LeftButton, {}, at);
    QTest::mouseDClick(widget, Qt::LeftButton, {}, at);
    QTest::mouseRelease(widget, Qt::LeftButton, {}, at);
}

inline void clickEntry(fmselectform& popup, int list, int entry) {
    QListView* view = popup.List1[list];
    const QModelIndex index = view->model()->index(entry, list);
    view->scrollTo(index);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
}

inline void pickEntry(fmselectform& popup, int entry) {
    clickEntry(popup, 0, entry);
    QTest::keyClick(popup.List1[0], Qt::Key_Return);
}

// Answers the first message box shown from now on, as the user would: `look` sees it, then OK is
// clicked. Waits for the box as long as `owner` lives.
inline void answerMessageBox(QObject* owner, std::function<void(QMessageBox&)> look) {
    QTimer::singleShot(10, owner, [owner, look] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return answerMessageBox(owner, look);
        look(*box);
        QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
    });
}

// Picks the entry of list 0 showing `text`.
inline void pickText(fmselectform& popup, const QString& text) {
    for (int i = 0; i < popup.ListCount(0); ++i)
        if (popup.ListText(0, i) == text) return pickEntry(popup, i);
    ADD_FAILURE() << text.toStdString() << " is not listed";
}

} // namespace nax::test
