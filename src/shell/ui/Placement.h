#pragma once
// Windows are laid out in twips (1/1440 inch), as they were designed; these turn them into
// pixels of the screen the window is on.
#include <initializer_list>

class QWidget;

namespace nax {

int twipsToPixels(const QWidget& widget, int twips);

// Sets the widget's geometry from twips relative to its parent.
void placeInTwips(QWidget* widget, int left, int top, int width, int height);

// Captions can need more room in the desktop's font than the designed sizes give: widens each
// control of a row, left to right, to its text (and its height to the font's) and moves the
// ones to its right along.
void fitRowToCaptions(std::initializer_list<QWidget*> row);

} // namespace nax
