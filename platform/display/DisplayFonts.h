#pragma once

#include <QFont>
#include <QString>

// The display's faces, in the point sizes the layout was drawn for. A family that is not
// installed falls back to the platform's default UI font at the same size. Each face is looked
// up once and kept until the application's font or the installed fonts change.
namespace DisplayFonts
{
QFont font(const QString &family, double pointSize, bool bold = false);
// "MS Sans Serif": dial numbers, axis ticks.
QFont small(double pointSize = 7.8);
// "Tahoma" bold: trace captions.
QFont captionBold(double pointSize = 7.8);
} // namespace DisplayFonts
