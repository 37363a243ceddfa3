#include "Placement.h"

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

void fitRowToCaptions(std::initializer_list<QWidget*> row) {
    int right = 0;
    for (QWidget* control : row) {
        QRect area = control->geometry();
        area.setWidth(std::max(area.width(), control->sizeHint().width()));
        area.setHeight(std::max(area.height(), control->sizeHint().height()));
        if (area.left() < right + 4) area.moveLeft(right + 4);
        control->setGeometry(area);
        right = area.right();
    }
}

} // namespace nax
