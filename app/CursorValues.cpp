#include "app/CursorValues.h"

#include "platform/display/StripChartWidget.h"

#include <QClipboard>
#include <QDateTime>
#include <QGuiApplication>
#include <cmath>

namespace CursorValues
{

QString text(const StripChartWidget &chart, const QLocale &locale)
{
    if (!chart.hasCursor())
        return {};
    // Points stand at whole seconds; the cursor between two reads the earlier one.
    const double second = std::floor(chart.cursorX() * 86400.0 + 1e-6);
    const QDateTime at = chart.localTimeAt(second / 86400.0);
    QLocale numbers = locale;
    numbers.setNumberOptions(QLocale::OmitGroupSeparator);
    QString row = at.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    for (short trace = 0; trace < 2; ++trace) {
        row += QLatin1Char('\t');
        if (!chart.store().trace(trace).isEmpty())
            row +=
                numbers.toString(chart.ValueAtCursor(trace), 'g', QLocale::FloatingPointShortest);
    }
    return row;
}

bool copy(const StripChartWidget &chart)
{
    const QString row = text(chart);
    if (row.isEmpty())
        return false;
    QGuiApplication::clipboard()->setText(row);
    return true;
}

} // namespace CursorValues
