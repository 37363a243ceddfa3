#include "Placement.h"

#include <QApplication>
#include <QFont>
#include <QWidget>
#include <algorithm>

namespace nax {

int twipsToPixels(const QWidget& widget, int twips) {
    return twips * widget.logicalDpiX() / 1440;
}

void placeInTwips(QWidget* widget, int left, int top, int width, int height) {
    widget->setGeometry(twipsToPixels(*widget, left), twipsToPixels(*widget, top),
                        twipsToPixels(*widget, width), twipsToPixels(*widget, height));
}

int fitRowToCaptions(std::initializer_list<QWidget*> row) {
    int right = 0, bottom = 0;
    for (QWidget* control : row) {
        QRect area = control->geometry();
        area.setWidth(std::max(area.width(), control->sizeHint().width()));
        area.setHeight(std::max(area.height(), control->sizeHint().height()));
        if (area.left() < right + 4) area.moveLeft(right + 4);
        control->setGeometry(area);
        right = area.right();
        bottom = std::max(bottom, area.bottom());
    }
    return bottom;
}

void widenToShow(QWidget& window, const QWidget& last, int margin) {
    const int needed = last.geometry().right() + 1 + margin;
    if (needed > window.width()) window.resize(needed, window.height());
}

void useDesignedFont() {
    const QString designed = QStringLiteral("Tahoma");
    QFont::insertSubstitution(designed, QStringLiteral("Liberation Sans"));
    QFont font(designed);
    font.setPointSizeF(8.25);
    QApplication::setFont(font);
}

namespace {
// Smaller than its designed size a grid still shows a few rows and columns.
constexpr int kSmallestGrid = 100;

// The part of a designed length that a length now `now`, designed `was`, gives.
int share(int designed, int now, int was) {
    return was > 0 ? designed * now / was : designed;
}
} // namespace

void GrowingGrids::grow(QWidget* grid) {
    designedWindow_ = grid->parentWidget()->size();
    grids_.push_back({grid, grid->geometry(), nullptr, {}});
}

void GrowingGrids::growOver(QWidget* grid, QWidget* beneath) {
    grids_.push_back({grid, grid->geometry(), beneath, beneath->geometry()});
}

void GrowingGrids::resize(QSize window) const {
    const QSize extra = window - designedWindow_;
    for (const Entry& entry : grids_) {
        QRect area = entry.designed;
        if (!entry.beneath) {
            area.setSize({std::max(area.width() + extra.width(), kSmallestGrid),
                          std::max(area.height() + extra.height(), kSmallestGrid)});
        } else {
            const QRect under = entry.beneath->geometry(); // grown already: recorded before this one
            const QRect was = entry.beneathDesigned;
            area = QRect(under.left() + share(area.left() - was.left(), under.width(), was.width()),
                         under.top() + share(area.top() - was.top(), under.height(), was.height()),
                         share(area.width(), under.width(), was.width()),
                         share(area.height(), under.height(), was.height()));
        }
        entry.grid->setGeometry(area);
    }
}

} // namespace nax
