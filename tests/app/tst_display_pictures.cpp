// The main window's display drawn with its caches against the same display drawing everything
// afresh for every record: both stream the same records through a fake port, and the pictures on
// screen after the last record must agree, so a cache can never show a stale needle, readout or
// a missing point.
#include "FakeClock.h"
#include "FakePrompts.h"
#include "FakeSerialControl.h"
#include "MainWindowControls.h"
#include "app/frmOrvelShow.h"
#include "platform/display/ChartPlot.h"
#include "platform/display/GaugeWidget.h"
#include "platform/display/StripChartWidget.h"

#include <QRandomGenerator>
#include <QScreen>
#include <QtTest>
#include <qcustomplot.h>

namespace
{

struct Record {
    double elevation;
    double azimuth;
};

// 45 s at 10 records a second: a walk in steps of a hundredth of a degree (finer than a needle
// or a chart column shows) and of several degrees, with jumps across the scale now and then.
std::vector<Record> sequence()
{
    QRandomGenerator random(7);
    std::vector<Record> records;
    double elevation = 12;
    double azimuth = 350;
    for (int i = 0; i < 450; ++i) {
        const bool fine = (i / 40) % 2 == 0;
        elevation += (random.bounded(2.0) - 1.0) * (fine ? 0.02 : 3.0);
        azimuth += (random.bounded(2.0) - 1.0) * (fine ? 0.03 : 6.0);
        if (i % 97 == 96)
            elevation = -elevation * 0.8;
        if (i % 131 == 130)
            azimuth += 170;
        elevation = std::clamp(elevation, -90.0, 90.0);
        azimuth = std::fmod(azimuth + 360.0, 360.0);
        records.push_back({elevation, azimuth});
    }
    // The last few in fine steps: the newest value differs from the one before by less than
    // a readout digit.
    for (int i = 0; i < 5; ++i)
        records.push_back({records.back().elevation + 0.01, records.back().azimuth - 0.01});
    return records;
}

struct Picture {
    QImage window;
    QRect elevation;
    QRect azimuth;
    QRect chart;
    bool chartUsedInsides = false;
};

Picture stream(bool cached, const std::vector<Record> &records)
{
    FakeSerialControl port;
    FakeClock clock;
    FakePrompts prompts;
    frmOrvelShow window{port, clock, prompts};
    const MainWindowControls ui{window};
    ui.Elevation->setCachedDrawing(cached);
    ui.Azimuth->setCachedDrawing(cached);
    ui.Strip1->setCachedDrawing(cached);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return {};
    ui.mnuStart->trigger();
    auto *plot = ui.Strip1->findChild<ChartPlot *>();
    if (!plot)
        return {};
    for (std::size_t i = 0; i < records.size(); ++i) {
        const Record &r = records[i];
        port.deliver(QByteArray::number(r.elevation, 'f', 2) + ',' +
                     QByteArray::number(r.azimuth, 'f', 2) + "\r\n");
        if (i % 10 == 9)
            clock.advance(1);
        // The cursor read-out and its layer take part too; the click lands on the time the
        // followed view shows once it is up to date.
        if (i == 300) {
            ui.Strip1->flush();
            QTest::mouseClick(plot, Qt::LeftButton, {},
                              plot->axisRects().at(1)->rect().center() - QPoint(60, 0));
        }
        // Let the repaint timers fire at changing points of the stream.
        QTest::qWait(i % 3 == 0 ? 4 : 1);
    }
    QTest::qWait(120);
    ui.Strip1->flush();
    QTest::qWait(60);
    const auto at = [&](QWidget *w) { return QRect(w->mapTo(&window, QPoint(0, 0)), w->size()); };
    const QImage shown =
        window.screen()->grabWindow(window.winId()).toImage().convertToFormat(QImage::Format_RGB32);
    ui.mnuStop->trigger();
    return {shown, at(ui.Elevation), at(ui.Azimuth), at(ui.Strip1), plot->usesLibraryInsides()};
}

struct Difference {
    int largest = 0; // the largest difference of one colour channel
    int over = 0;    // pixels with a channel more than SmallDifference apart
};

constexpr int SmallDifference = 4;

Difference compare(const QImage &a, const QImage &b, const QRect &rect)
{
    Difference d;
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        for (int x = rect.left(); x <= rect.right(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            const int most = std::max({std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                                       std::abs(qBlue(p) - qBlue(q))});
            d.largest = std::max(d.largest, most);
            if (most > SmallDifference)
                ++d.over;
        }
    }
    return d;
}

// A gauge agrees with its reference when every pixel is within SmallDifference (rounding where
// the cached face is blended rather than drawn in place) except at most NeedleEdgePixels, which
// may be up to NeedleEdgeDifference apart: a needle left where it was while new values move its
// tip by less than a quarter of a pixel differs only along its antialiased edges, by at most a
// quarter of its contrast against the face. A readout a digit off, or a needle a degree off,
// differs by far more.
constexpr int NeedleEdgePixels = 250;
constexpr int NeedleEdgeDifference = 64;

bool gaugeAgrees(const Difference &d)
{
    return d.over <= NeedleEdgePixels && d.largest <= NeedleEdgeDifference;
}

QString describe(const Difference &d)
{
    return QStringLiteral("largest channel difference %1, %2 pixels over %3")
        .arg(d.largest)
        .arg(d.over)
        .arg(SmallDifference);
}

} // namespace

class TestDisplayPictures : public QObject
{
    Q_OBJECT

private slots:
    void cachedPicturesMatchFreshOnes_data();
    void cachedPicturesMatchFreshOnes();
};

void TestDisplayPictures::cachedPicturesMatchFreshOnes_data()
{
    // The chart's caches work on the plot's protected buffers; on the public path (what a
    // library release it was not checked against gets) the gauges still cache.
    QTest::addColumn<bool>("publicOnly");
    QTest::newRow("chart on the plot's buffers") << false;
    QTest::newRow("chart on the public path") << true;
}

void TestDisplayPictures::cachedPicturesMatchFreshOnes()
{
    QFETCH(bool, publicOnly);
    const std::vector<Record> records = sequence();
    if (publicOnly) {
        qputenv("ORVEL_PUBLIC_API_ONLY", "1");
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^chart: ")));
    }
    const Picture cached = stream(true, records);
    qunsetenv("ORVEL_PUBLIC_API_ONLY");
    const Picture fresh = stream(false, records);
    QVERIFY(!cached.window.isNull() && !fresh.window.isNull());
    QCOMPARE(cached.chartUsedInsides, !publicOnly);
    QCOMPARE(cached.window.size(), fresh.window.size());

    const Difference elevation = compare(cached.window, fresh.window, cached.elevation);
    const Difference azimuth = compare(cached.window, fresh.window, cached.azimuth);
    const Difference chart = compare(cached.window, fresh.window, cached.chart);
    qInfo("elevation gauge: %s", qPrintable(describe(elevation)));
    qInfo("azimuth gauge: %s", qPrintable(describe(azimuth)));
    qInfo("chart: %s", qPrintable(describe(chart)));
    QVERIFY2(gaugeAgrees(elevation), qPrintable(describe(elevation)));
    QVERIFY2(gaugeAgrees(azimuth), qPrintable(describe(azimuth)));
    // The chart skips a picture only when no pixel would change: pixel for pixel.
    QVERIFY2(chart.largest == 0, qPrintable(describe(chart)));
    if (publicOnly)
        return;

    // The tolerance still sees a needle one degree off and a readout a tenth off.
    std::vector<Record> off = records;
    off.back().elevation += 1.0;
    off.back().azimuth += 1.0;
    const Picture wrong = stream(false, off);
    QVERIFY(!gaugeAgrees(compare(wrong.window, fresh.window, fresh.elevation)));
    QVERIFY(!gaugeAgrees(compare(wrong.window, fresh.window, fresh.azimuth)));
}

QTEST_MAIN(TestDisplayPictures)
#include "tst_display_pictures.moc"
