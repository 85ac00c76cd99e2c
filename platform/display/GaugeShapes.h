#pragma once

#include <QPolygonF>
#include <QString>
#include <optional>
#include <vector>

// Reads "x,y, x,y, ..." into points; blanks around numbers are allowed. Anything else (an odd
// count, a word, fewer than three points) gives nothing, so a bad setting never reaches the
// painter.
std::optional<QPolygonF> parsePointList(const QString &text);

// How a dial lays out its scale: the angle of the scale's start and the sweep to its end, in
// degrees counter-clockwise from three o'clock. A scale of 360 is a compass (0 at the top,
// clockwise); a scale symmetric about 0 of at most 180 is an inclinometer (0 level to the right,
// up positive); anything else is a 270-degree arc opening at the bottom.
struct DialScale {
    double min = 0;
    double max = 100;
    double start = 225;
    double sweep = -270;

    static DialScale forRange(double min, double max);
    bool isFullCircle() const { return sweep <= -360 || sweep >= 360; }
    // The angle of a value; values beyond the ends stop at the ends (a compass wraps around).
    double angleOf(double value) const;
    // Step between labelled ticks and between the smallest ticks.
    double labelStep() const;
    double minorStep() const;
    // The values that carry a tick, from min to max.
    std::vector<double> tickValues() const;
};
