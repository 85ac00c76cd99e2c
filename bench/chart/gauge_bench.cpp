// Gauge benchmark: the main window's two gauges, offscreen, each given a new value 800 times,
// a repaint apart as in a stream; prints the processing time of one repaint of both (the paint
// pass after the new values), median and quartiles, for values that are all new and for a
// random walk.
//
//     gauge_bench [--save PREFIX]
//
// --save writes the gauges at five fixed values to PREFIX_0.png ... PREFIX_4.png first, for
// comparing pictures before and after a change to the drawing.
#include "platform/display/GaugeWidget.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QThread>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QWidget window;
    window.resize(400, 200);
    GaugeWidget elevation(&window);
    GaugeWidget azimuth(&window);
    elevation.setGeometry(0, 0, 177, 176);
    azimuth.setGeometry(200, 0, 177, 177);
    const QString outline = QStringLiteral("0,100, 100,0, 900,0, 1000,100, 1000,900, 900,1000, "
                                           "100,1000, 0,900");
    elevation.setCaptionText(QStringLiteral("Mast Elevation"));
    elevation.setScale(-90, 90);
    elevation.setFrameOutline(outline);
    azimuth.setCaptionText(QStringLiteral("Mast Azimuth"));
    azimuth.setScale(0, 360);
    azimuth.setFrameOutline(outline);
    azimuth.setNeedleShape(QStringLiteral("0,1000,700,900,-700,900"));
    window.show();
    QApplication::processEvents();

    const QStringList args = QApplication::arguments();
    if (const qsizetype at = args.indexOf(QStringLiteral("--save"));
        at > 0 && at + 1 < args.size()) {
        const double values[][2] = {
            {12.3, 45.6}, {-45.6, 359.9}, {0, 0}, {88.8, 181.4}, {-7.1, 270.2}};
        int i = 0;
        for (const auto &v : values) {
            elevation.setNeedleValue(v[0]);
            azimuth.setNeedleValue(v[1]);
            for (int k = 0; k < 2; ++k) {
                QThread::msleep(GaugeWidget::repaintIntervalMs + 10);
                QApplication::processEvents();
            }
            window.grab().save(args[at + 1] + QStringLiteral("_%1.png").arg(i++));
        }
    }

    // Between repaints the caches go cold, as between records of a stream. Two runs: a sweep
    // where every value is new (no picture of a needle step or a readout text can be reused),
    // and the simulator's random walk at the line's rate (about 2.5 records a repaint).
    constexpr int Count = 800;
    const auto measure = [&](const char *what, const auto &next) {
        std::vector<double> us;
        for (int k = 0; k < Count; ++k) {
            const auto [e, a] = next(k);
            elevation.setNeedleValue(e);
            azimuth.setNeedleValue(a);
            QElapsedTimer timer;
            timer.start();
            QApplication::sendPostedEvents();
            QApplication::processEvents();
            us.push_back(double(timer.nsecsElapsed()) / 1e3);
            QThread::msleep(GaugeWidget::repaintIntervalMs + 1);
        }
        std::sort(us.begin(), us.end());
        std::printf("one repaint of both gauges, %s: median %.0f us (quartiles %.0f, %.0f)\n", what,
                    us[Count / 2], us[Count / 4], us[3 * Count / 4]);
    };
    measure("every value new", [](int k) {
        return std::pair(-80 + (k % 430) * 0.37 + 0.01, (k * 7 % 3600) * 0.1 + 0.01);
    });
    QRandomGenerator random(1);
    double e = 10;
    double a = 100;
    measure("random walk", [&](int k) {
        for (int r = 0; r < (k % 2 ? 3 : 2); ++r) {
            e = std::clamp(e + random.bounded(1.0) - 0.5, -90.0, 90.0);
            a = std::fmod(a + random.bounded(2.0) - 1.0 + 360.0, 360.0);
        }
        return std::pair(e, a);
    });
    return 0;
}
