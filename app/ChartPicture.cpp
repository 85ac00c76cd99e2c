#include "app/ChartPicture.h"

#include "app/AppInfo.h"
#include "platform/display/StripChartWidget.h"

#include <QFileInfo>
#include <qcustomplot.h>

namespace
{

const QString PngFilter = QStringLiteral("PNG (*.png)");
const QString PngTwiceFilter = QStringLiteral("PNG at twice the size (*.png)");
const QString PdfFilter = QStringLiteral("PDF (*.pdf)");

} // namespace

namespace ChartPicture
{

QString filters()
{
    return PngFilter + QStringLiteral(";;") + PngTwiceFilter + QStringLiteral(";;") + PdfFilter;
}

Kind kindOfFilter(const QString &filter)
{
    if (filter == PngTwiceFilter)
        return Kind::PngTwiceSize;
    if (filter == PdfFilter)
        return Kind::Pdf;
    return Kind::Png;
}

Kind kindFor(const QString &path, const QString &filter)
{
    const Kind chosen = kindOfFilter(filter);
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == u"pdf")
        return Kind::Pdf;
    if (suffix == u"png")
        return chosen == Kind::Pdf ? Kind::Png : chosen;
    return chosen;
}

QString withSuffix(const QString &path, Kind kind)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if ((suffix == u"pdf" && kind == Kind::Pdf) || (suffix == u"png" && kind != Kind::Pdf))
        return path;
    return path + (kind == Kind::Pdf ? QStringLiteral(".pdf") : QStringLiteral(".png"));
}

bool save(StripChartWidget &chart, const QString &path, Kind kind)
{
    chart.flush();
    QCustomPlot *plot = chart.plot();
    switch (kind) {
    case Kind::Png:
        return plot->savePng(path, 0, 0, 1.0);
    case Kind::PngTwiceSize:
        return plot->savePng(path, 0, 0, 2.0);
    case Kind::Pdf:
        return plot->savePdf(path, 0, 0, QCP::epAllowCosmetic, AppInfo::title(),
                             QStringLiteral("Elevation and azimuth"));
    }
    return false;
}

} // namespace ChartPicture
