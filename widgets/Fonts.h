#pragma once

#include <QFont>
#include <QString>

namespace velm {

// The windows are designed with fonts that a Linux machine usually lacks. This
// is the one place that says what is drawn instead:
//   MS Sans Serif, Verdana -> DejaVu Sans
//   Courier New            -> Liberation Mono
//   Arial                  -> Liberation Sans
// The substitute is used only when the named family is not installed, so a
// machine that has the original draws it.

// The substitute for a family (compared case-insensitively), or the family
// itself when it has none.
QString fontSubstitute(const QString& family);

// Registers the substitutes with QFont (once per process), so that a QFont
// made anywhere with one of the names above finds its substitute.
void installFontSubstitutes();

// A font of the family, `pixelHeight` pixels of character height (a negative
// height, as the window designs write it, means the same; 0 keeps the
// application's default size), with the given styles.
QFont makeFont(const QString& family, int pixelHeight, bool bold = false, bool italic = false,
               bool underline = false);

}  // namespace velm
