#include "platform/display/DisplayFonts.h"

#include <QApplication>
#include <QFontDatabase>

QFont DisplayFonts::font(const QString &family, double pointSize, bool bold)
{
    QFont f = QFontDatabase::families().contains(family, Qt::CaseInsensitive)
                  ? QFont(family)
                  : QApplication::font();
    f.setPointSizeF(pointSize);
    f.setBold(bold);
    return f;
}

QFont DisplayFonts::small(double pointSize)
{
    return font(QStringLiteral("MS Sans Serif"), pointSize);
}

QFont DisplayFonts::captionBold(double pointSize)
{
    return font(QStringLiteral("Tahoma"), pointSize, true);
}
