#include "windows/ExitButton.h"

#include <QPushButton>

#include "widgets/Fonts.h"
#include "windows/Pictures.h"

namespace velm {

QPushButton* makeExitButton(QWidget* parent, const QString& caption, QRect geometry) {
    auto* button = new QPushButton(caption, parent);
    button->setGeometry(geometry);
    button->setFont(makeFont(QStringLiteral("Verdana"), 19, true));
    button->setIcon(doorPicture());
    button->setIconSize(QSize(22, 22));
    return button;
}

}  // namespace velm
