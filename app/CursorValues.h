#pragma once

#include <QLocale>
#include <QString>

class StripChartWidget;

// "Copy Values at Cursor": the cursor's date and time, elevation and azimuth, tab-separated, as
// one spreadsheet row. The time is the second of the point the values come from; the values are
// the numbers as held (shortest form that reads back the same), with the locale's decimal
// separator and no grouping, so a spreadsheet in that locale reads them as numbers. A trace
// without points gives an empty field. Empty text when there is no cursor.
namespace CursorValues
{

QString text(const StripChartWidget &chart, const QLocale &locale = QLocale());
// Puts the text on the clipboard; false when there is no cursor.
bool copy(const StripChartWidget &chart);

} // namespace CursorValues
