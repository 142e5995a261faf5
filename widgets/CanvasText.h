#pragma once

#include <QFont>
#include <QSize>
#include <QString>

class QPainter;

namespace velm {

// One line of text with the top-left corner of its character cell at (x, y),
// in the painter's font and pen. Nothing is interpreted: "&", tabs and line
// breaks are drawn as they are.
void textOut(QPainter& painter, int x, int y, const QString& text);

// Width (advance) and height (ascent + descent) of one line in the font.
QSize textExtent(const QFont& font, const QString& text);

}  // namespace velm
