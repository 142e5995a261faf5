#include "widgets/TextLabel.h"

#include <QLabel>

namespace velm {

QLabel* makeTextLabel(QWidget* parent, const QString& text, QPoint at, const QFont& font,
                      TColor color) {
    auto* label = new QLabel(text, parent);
    label->move(at);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, toQColor(color));
    label->setPalette(palette);
    label->adjustSize();
    return label;
}

}  // namespace velm
