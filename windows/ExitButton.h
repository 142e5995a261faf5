#pragma once

#include <QRect>
#include <QString>

class QPushButton;
class QWidget;

namespace velm {

// The door button that leaves a window ("&Sair", "&Cont.."): bold Verdana 19
// with the door picture at 22 x 22.
QPushButton* makeExitButton(QWidget* parent, const QString& caption, QRect geometry);

}  // namespace velm
