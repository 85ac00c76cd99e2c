#pragma once

#include <QString>

class StripChartWidget;

// "Save Chart Picture...": the chart as the plot draws it, with the plot's own savers.
namespace ChartPicture
{

enum class Kind { Png, PngTwiceSize, Pdf };

// The save dialog's file types, ";;"-separated, and the kind each stands for.
QString filters();
Kind kindOfFilter(const QString &filter);
// The kind for a chosen name: its own ending (".png", ".pdf") decides, else the chosen filter.
Kind kindFor(const QString &path, const QString &filter);
// The path with the kind's suffix added when it has no known ending.
QString withSuffix(const QString &path, Kind kind);

// PNG at the chart's size or at twice it, or PDF at the chart's size. False when it could not
// be written.
bool save(StripChartWidget &chart, const QString &path, Kind kind);

} // namespace ChartPicture
