#pragma once
// Icons of the image buttons: the desktop's freedesktop theme icon when the
// theme has one, otherwise a picture that ships with the program, so that
// every button shows something on a bare desktop too.
#include <QIcon>
#include <QStyle>

namespace rv {

// The theme icon `themeName`, or the style's standard picture `fallback`.
QIcon buttonIcon(const QString& themeName, QStyle::StandardPixmap fallback);

// The theme icon `themeName`, or `fallback` (a drawn picture).
QIcon buttonIcon(const QString& themeName, const QIcon& fallback);

// A small printer, drawn; the styles have no standard print picture.
QIcon drawnPrinterIcon();

} // namespace rv
