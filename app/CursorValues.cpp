#include "app/CursorValues.h"

#include "platform/display/StripChartWidget.h"

#include <QClipboard>
#include <QDate>
#include <QGuiApplication>
#include <QTime>
#include <cmath>

namespace CursorValues
{

QString text(const StripChartWidget &chart, const QLocale &locale)
{
    if (!chart.hasCursor())
        return {};
    // Points stand at whole seconds; the cursor between two reads the earlier one.
    const auto seconds = static_cast<qint64>(std::floor(chart.cursorX() * 86400.0 + 1e-6));
    const qint64 days = seconds / 86400 - (seconds % 86400 < 0);
    const QDate date = chart.dayZero().addDays(days);
    const QTime time = QTime(0, 0).addSecs(int(seconds - days * 86400));
    QLocale numbers = locale;
    numbers.setNumberOptions(QLocale::OmitGroupSeparator);
    QString row = date.toString(QStringLiteral("yyyy-MM-dd")) + QLatin1Char(' ') +
                  time.toString(QStringLiteral("HH:mm:ss"));
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
