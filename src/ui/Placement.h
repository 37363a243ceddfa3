#pragma once
// Windows are laid out in twips (1/1440 inch), as they were designed; these turn them into
// pixels of the screen the window is on.
#include <QRect>
#include <QSize>
#include <initializer_list>
#include <vector>

class QWidget;

namespace nax {

int twipsToPixels(const QWidget& widget, int twips);

// Sets the widget's geometry from twips relative to its parent.
void placeInTwips(QWidget* widget, int left, int top, int width, int height);

// Captions can need more room in the desktop's font than the designed sizes give: widens each
// control of a row, left to right, to its text (and its height to the font's) and moves the
// ones to its right along. Answers the row's bottom edge.
int fitRowToCaptions(std::initializer_list<QWidget*> row);

// Widens the window, when a fitted row pushed its last control past the right edge, so that the
// control ends `margin` pixels inside it again.
void widenToShow(QWidget& window, const QWidget& last, int margin);

// The column widths were measured in Tahoma 8.25 pt. Makes that the application's font and,
// where Tahoma is not installed, draws it in Liberation Sans, whose letters are no wider.
void useDesignedFont();

// Grids that grow with their window. Record them once the window has its designed size and
// layout (the window's size is taken as designed then); resize() then gives each grid the window's extra
// width and height (a grid keeps its designed distance from the right and bottom edges) while the other
// controls stay put. A grid that lies over another keeps its share of that grid: its offset and size grow in
// the ratio of the grid beneath.
class GrowingGrids {
public:
    void grow(QWidget* grid);
    void growOver(QWidget* grid, QWidget* beneath);
    void resize(QSize window) const;

private:
    struct Entry {
        QWidget* grid;
        QRect designed;
        QWidget* beneath; // null when the grid takes the window's whole growth
        QRect beneathDesigned;
    };
    QSize designedWindow_;
    std::vector<Entry> grids_;
};

} // namespace nax
