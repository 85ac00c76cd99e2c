#include "FakeClock.h"
#include "chartdata/ChartTime.h"
#include "chartdata/UtcOffsetRuns.h"
#include "platform/display/ChartTickers.h"
#include "platform/display/StripChartWidget.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTest>
#include <QTimeZone>
#include <functional>
#include <qcustomplot.h>

using namespace Qt::StringLiterals;

namespace
{

constexpr double Second = 1.0 / 86400.0;

// A chart whose clock stands at the end of 1970-01-01 (the test runs in UTC), so a point's X
// is its time of day.
// The clock only gives the chart's first picture its span: setNowSource pins "now".
FakeClock dayOneClock;

struct DayOneChart : StripChartWidget {
    DayOneChart() : StripChartWidget(dayOneClock)
    {
        setNowSource(
            [] { return QDateTime(QDate(1970, 1, 1), QTime(23, 59, 59), QTimeZone::utc()); });
    }
};

// A chart on screen with 90 seconds of data, 10 points a second, ending at 12:01:30.
struct ShownChart {
    DayOneChart chart;
    QCustomPlot *plot = nullptr;

    ShownChart()
    {
        chart.resize(401, 353);
        chart.setChartMode(2);
        chart.setTimeScale(1.0 / 1440);
        for (int s = 43200; s < 43290; ++s) {
            for (int k = 0; k < 10; ++k) {
                chart.AddPoint(0, s * Second, (s - 43200) + k * 0.1);
                chart.AddPoint(1, s * Second, 200 + k);
            }
        }
        chart.show();
        chart.flush();
        plot = chart.findChild<QCustomPlot *>();
    }
    QRect area(int trace) const { return plot->axisRects().at(trace)->rect(); }
    // The pixel column of a time (days) on the time axis.
    int column(double x) const
    {
        return qRound(plot->axisRects().at(1)->axis(QCPAxis::atBottom)->coordToPixel(x));
    }
    // A point on the value axis' labels, left of that trace's plotting area.
    QPoint onValueAxis(int trace) const
    {
        return {area(trace).left() - 15, area(trace).center().y()};
    }
    // A point on the time axis' labels, below the lower plotting area.
    QPoint onTimeAxis() const { return {area(1).center().x(), area(1).bottom() + 8}; }
    void wheel(QPoint at, int steps)
    {
        QWheelEvent event(at, plot->mapToGlobal(at), {}, {0, 120 * steps}, Qt::NoButton, {},
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(plot, &event);
    }
    void drag(QPoint from, QPoint to)
    {
        QTest::mousePress(plot, Qt::LeftButton, {}, from);
        QTest::mouseMove(plot, to);
        QTest::mouseRelease(plot, Qt::LeftButton, {}, to);
    }
};

bool near(double a, double b, double tolerance)
{
    return qAbs(a - b) <= tolerance;
}

} // namespace

class TestStripChart : public QObject
{
    Q_OBJECT

private slots:
    void captionsBelongToTheCurrentTrace();
    void captionColourStartsAsBackColor();
    void valueAtCursor();
    void theFirstPointsDayComesFromTheClock_data();
    void theFirstPointsDayComesFromTheClock();
    void addingOnlyStoresUntilTheNextPicture();
    void newPointsRedrawnInPlaceMatchAFreshPicture();
    void scrollingKeepsTheOverlayOnlyWhileItIsTheSame();
    void followsTheNewestPointUntilMoved();
    void clickPlacesTheCursorAndRaisesTheEvent();
    void dragMovesTheCursor();
    void handleStretchesTheValueAxis();
    void timeHandleStretchesTheSpan();
    void wheelZoomsTheTimeAxisAroundTheMouse();
    void wheelWhileFollowingKeepsFollowing();
    void wheelOverAValueAxisZoomsThatAxis();
    void draggingTheAxisLabelsPans();
    void doubleClickOnAValueAxisRestoresItsRange();
    void rightButtonIsLeftForAContextMenu();
    void dividerMoves();
    void timeLabels_data();
    void timeLabels();
    void timeTicksStayReadable();
    void ticksLabelledInTheirOwnLocalTime_data();
    void ticksLabelledInTheirOwnLocalTime();
    void pausesAreNotJoined_data();
    void pausesAreNotJoined();
};

void TestStripChart::captionsBelongToTheCurrentTrace()
{
    DayOneChart chart;
    QCOMPARE(chart.CurrentTrace(), short(0));
    chart.setCaption(QStringLiteral("Elevation"));
    chart.setCurrentTrace(1);
    chart.setCaption(QStringLiteral("Azimuth"));
    QCOMPARE(chart.Caption(), QStringLiteral("Azimuth"));
    chart.setCurrentTrace(0);
    QCOMPARE(chart.Caption(), QStringLiteral("Elevation"));
    chart.setCurrentTrace(2); // not a trace: ignored
    QCOMPARE(chart.CurrentTrace(), short(0));
    QCOMPARE(chart.Caption(), QStringLiteral("Elevation"));
}

void TestStripChart::captionColourStartsAsBackColor()
{
    DayOneChart chart;
    const std::uint32_t back = chart.BackColor();
    QVERIFY(back <= 0x00FFFFFF);
    QCOMPARE(chart.TraceCaptionColor(), back);
    chart.setTraceCaptionColor(0x000000FF); // light red
    chart.setCurrentTrace(1);
    QCOMPARE(chart.TraceCaptionColor(), back);
    chart.setTraceCaptionColor(0x00FF0000); // light blue
    QCOMPARE(chart.TraceCaptionColor(), std::uint32_t(0x00FF0000));
    chart.setCurrentTrace(0);
    QCOMPARE(chart.TraceCaptionColor(), std::uint32_t(0x000000FF));
    QCOMPARE(chart.BackColor(), back);
}

void TestStripChart::theFirstPointsDayComesFromTheClock_data()
{
    QTest::addColumn<QTime>("now");
    QTest::addColumn<int>("pointSecond");
    QTest::addColumn<int>("daysFromToday");
    QTest::newRow("same day") << QTime(12, 0) << 43000 << 0;
    QTest::newRow("stamped before midnight, added after") << QTime(0, 0, 2) << 86399 << -1;
}

void TestStripChart::theFirstPointsDayComesFromTheClock()
{
    QFETCH(QTime, now);
    QFETCH(int, pointSecond);
    QFETCH(int, daysFromToday);
    FakeClock clock;
    clock.time = now;
    clock.utcOffsetSeconds = 0; // this test runs in UTC, and the chart reads times of day there
    StripChartWidget chart{clock};
    chart.AddPoint(0, pointSecond * Second, 1.0);
    const QDateTime placed(clock.date.addDays(daysFromToday), QTime(0, 0).addSecs(pointSecond),
                           QTimeZone(clock.utcOffsetSeconds));
    QCOMPARE(chart.store().newestX(), ChartTime::fromMsecs(placed.toMSecsSinceEpoch()));
}

void TestStripChart::valueAtCursor()
{
    DayOneChart chart;
    chart.setCursorX(0.5);
    QCOMPARE(chart.ValueAtCursor(0), 0.0); // no points
    chart.AddPoint(0, 0.5, 12.34);
    chart.AddPoint(1, 0.5, 359.96);
    chart.AddPoint(0, 0.5 + Second, 1.05);
    QCOMPARE(chart.ValueAtCursor(0), 12.34);
    QCOMPARE(chart.ValueAtCursor(1), 359.96);
    chart.setCursorX(0.5 + 2 * Second);
    QVERIFY(chart.ValueAtCursor(0) == 1.05);
    QCOMPARE(chart.cursorX(), 0.5 + 2 * Second);
    chart.ClearChart();
    QCOMPARE(chart.ValueAtCursor(0), 0.0);
    QCOMPARE(chart.ValueAtCursor(1), 0.0);
}

void TestStripChart::addingOnlyStoresUntilTheNextPicture()
{
    ShownChart shown;
    const long long before = shown.chart.replotCount();
    for (int i = 0; i < 5000; ++i)
        shown.chart.AddPoint(0, 43290 * Second, i);
    QCOMPARE(shown.chart.replotCount(), before);
    shown.chart.flush();
    QCOMPARE(shown.chart.replotCount(), before + 1);
    shown.chart.flush(); // nothing pending
    QCOMPARE(shown.chart.replotCount(), before + 1);
}

void TestStripChart::newPointsRedrawnInPlaceMatchAFreshPicture()
{
    // The view stands still (not following), so new points change only the newest columns,
    // which the cached chart redraws in place; after every step its picture must equal one
    // drawn whole.
    ShownChart cached;
    ShownChart fresh;
    fresh.chart.setCachedDrawing(false);
    for (ShownChart *shown : {&cached, &fresh})
        shown->chart.setTimeRange(43230 * Second, 43330 * Second);
    const auto add = [&](int second, double elevation, double azimuth) {
        for (ShownChart *shown : {&cached, &fresh}) {
            shown->chart.AddPoint(0, second * Second, elevation);
            shown->chart.AddPoint(1, second * Second, azimuth);
        }
    };
    struct Step {
        int second;
        double elevation;
        double azimuth;
    };
    // The same second growing up and down, the next second, a step within what is drawn, a
    // gap the line does not bridge, and more in the last column.
    const Step steps[] = {{43290, 95, 210},  {43290, 80, 150},  {43290, 140, 260}, {43291, 60, 100},
                          {43291, 61, 101},  {43292, 150, 300}, {43310, 70, 200},  {43310, 20, 40},
                          {43311, 170, 350}, {43311, -40, 5}};
    for (const Step &step : steps) {
        add(step.second, step.elevation, step.azimuth);
        cached.chart.flush();
        fresh.chart.flush();
        const QImage a = cached.plot->grab().toImage();
        const QImage b = fresh.plot->grab().toImage();
        QVERIFY2(a == b, qPrintable(QStringLiteral("after the point at %1 s, %2")
                                        .arg(step.second)
                                        .arg(step.elevation)));
    }
}

void TestStripChart::scrollingKeepsTheOverlayOnlyWhileItIsTheSame()
{
    // While following, each new second scrolls the view: every layer is drawn again except the
    // overlay (handles, divider, captions, cursor), which the cached chart keeps while nothing
    // its buffer shows has changed. After every step its picture must equal one drawn whole.
    ShownChart cached;
    ShownChart fresh;
    fresh.chart.setCachedDrawing(false);
    const std::function<void(StripChartWidget &)> changes[] = {
        [](StripChartWidget &) {}, // scrolling only
        [](StripChartWidget &c) { c.setCaption(QStringLiteral("Elevation 12.34")); },
        [](StripChartWidget &) {},
        [](StripChartWidget &c) { c.setTraceCaptionColor(0x000000FF); },
        // A picture export draws every layer, the new caption included, but not into the
        // overlay's buffer.
        [](StripChartWidget &c) {
            c.setCaption(QStringLiteral("Elevation 45.6"));
            c.plot()->toPixmap();
        },
        [](StripChartWidget &c) { c.setCursorX(43287.5 * Second); },
        [](StripChartWidget &) {}, // the cursor scrolls with the view
        [](StripChartWidget &c) { c.setDividerFraction(0.6); },
        [](StripChartWidget &c) {
            c.setCurrentTrace(1);
            c.setCaption(QStringLiteral("Azimuth 181.4"));
        },
    };
    int second = 43290;
    for (const auto &change : changes) {
        for (ShownChart *shown : {&cached, &fresh}) {
            change(shown->chart);
            shown->chart.AddPoint(0, second * Second, second % 7);
            shown->chart.AddPoint(1, second * Second, 200 + second % 11);
            shown->chart.flush();
        }
        const QImage a = cached.plot->grab().toImage();
        const QImage b = fresh.plot->grab().toImage();
        QVERIFY2(a == b, qPrintable(QStringLiteral("at second %1").arg(second)));
        ++second;
    }
}

void TestStripChart::followsTheNewestPointUntilMoved()
{
    ShownChart shown;
    StripChartWidget &chart = shown.chart;
    QVERIFY(chart.isFollowing());
    QCPRange r = chart.timeRange();
    QVERIFY(qAbs(r.size() - 1.0 / 1440) < 1e-9);
    QVERIFY(r.lower < 43289 * Second && r.upper > 43289 * Second);

    chart.setTimeRange(43200 * Second, 43230 * Second);
    QVERIFY(!chart.isFollowing());
    chart.AddPoint(0, 43300 * Second, 1);
    chart.flush();
    QCOMPARE(chart.timeRange().lower, 43200 * Second);

    // A double click in a plotting area goes back to following, at the time scale's span.
    QTest::mouseDClick(shown.plot, Qt::LeftButton, {}, shown.area(0).center());
    chart.flush();
    QVERIFY(chart.isFollowing());
    r = chart.timeRange();
    QVERIFY(r.upper > 43300 * Second && r.lower < 43300 * Second);
    QVERIFY(qAbs(r.size() - 1.0 / 1440) < 1e-9);

    chart.setChartMode(1);
    QVERIFY(!chart.isFollowing());
}

void TestStripChart::clickPlacesTheCursorAndRaisesTheEvent()
{
    ShownChart shown;
    QSignalSpy events(&shown.chart, &StripChartWidget::CursorEvent);
    const QRect lower = shown.area(1);
    const QPoint at(lower.left() + lower.width() / 2, lower.center().y());
    QTest::mouseClick(shown.plot, Qt::LeftButton, {}, at);
    QCOMPARE(events.count(), 1);
    QCOMPARE(events.at(0).at(1).toInt(), 1); // pressed in the lower area
    QVERIFY(shown.chart.hasCursor());
    const QCPRange r = shown.chart.timeRange();
    QVERIFY(shown.chart.cursorX() > r.lower && shown.chart.cursorX() < r.upper);
    QCOMPARE(events.at(0).at(0).toInt(), at.x());

    // On the middle of 12:00:50: that second's last values.
    QTest::mouseClick(shown.plot, Qt::LeftButton, {},
                      QPoint(shown.column(43250.5 * Second), at.y()));
    QCOMPARE(events.count(), 2);
    QVERIFY(near(shown.chart.cursorX(), 43250.5 * Second, 0.2 * Second));
    QVERIFY(near(shown.chart.ValueAtCursor(0), 50.9, 1e-9));
    QCOMPARE(shown.chart.ValueAtCursor(1), 209.0);
    // Left of the plotting area's edge: the cursor stops on the edge.
    QTest::mousePress(shown.plot, Qt::LeftButton, {}, at);
    QTest::mouseMove(shown.plot, QPoint(2, at.y()));
    QTest::mouseRelease(shown.plot, Qt::LeftButton, {}, QPoint(2, at.y()));
    QCOMPARE(events.last().at(0).toInt(), lower.left());
    QVERIFY(near(shown.chart.cursorX(), r.lower, 1e-9));
}

void TestStripChart::dragMovesTheCursor()
{
    ShownChart shown;
    QSignalSpy events(&shown.chart, &StripChartWidget::CursorEvent);
    const QRect upper = shown.area(0);
    const int y = upper.center().y();
    QTest::mousePress(shown.plot, Qt::LeftButton, {}, QPoint(upper.left() + 20, y));
    const double first = shown.chart.cursorX();
    QTest::mouseMove(shown.plot, QPoint(upper.left() + 120, y));
    QTest::mouseRelease(shown.plot, Qt::LeftButton, {}, QPoint(upper.left() + 120, y));
    QCOMPARE(events.count(), 2);
    QVERIFY(shown.chart.cursorX() > first);
    // Moves after the release leave the cursor where it is.
    const double placed = shown.chart.cursorX();
    QTest::mouseMove(shown.plot, QPoint(upper.left() + 40, y));
    QCOMPARE(shown.chart.cursorX(), placed);
}

void TestStripChart::handleStretchesTheValueAxis()
{
    ShownChart shown;
    const QRect upper = shown.area(0);
    // The handle at the top of the elevation axis: dragging it down squeezes the scale.
    QTest::mousePress(shown.plot, Qt::LeftButton, {}, upper.topLeft());
    QTest::mouseMove(shown.plot, upper.topLeft() + QPoint(0, upper.height() / 2));
    QTest::mouseRelease(shown.plot, Qt::LeftButton, {},
                        upper.topLeft() + QPoint(0, upper.height() / 2));
    const QCPRange r = shown.chart.valueRange(0);
    QCOMPARE(r.lower, -90.0);
    QVERIFY2(r.upper > 250, qPrintable(QString::number(r.upper)));
    QCOMPARE(shown.chart.valueRange(1), QCPRange(0, 360));
}

void TestStripChart::timeHandleStretchesTheSpan()
{
    ShownChart shown;
    StripChartWidget &chart = shown.chart;
    const QRect lower = shown.area(1);
    const QPoint handle = lower.bottomRight();
    const QPoint middle(lower.left() + (lower.right() - lower.left()) / 2, handle.y());

    // Following: dragging the handle to the middle doubles the span; the newest point stays
    // in view and the chart goes on following.
    QVERIFY(chart.isFollowing());
    shown.drag(handle, middle);
    chart.flush();
    QVERIFY(chart.isFollowing());
    QVERIFY(near(chart.timeRange().size(), 2.0 / 1440, 2.0 / 1440 / 50));
    QVERIFY(chart.timeRange().upper > 43289 * Second);

    // Not following: the left end stays put. Dragged beyond the left end, the handle stops
    // short of it and the span stays within its bounds.
    chart.setTimeRange(43200 * Second, 43260 * Second);
    shown.drag(handle, middle);
    QCOMPARE(chart.timeRange().lower, 43200 * Second);
    QVERIFY(near(chart.timeRange().size(), 120 * Second, 2 * Second));
    QVERIFY(!chart.isFollowing());
    shown.drag(handle, QPoint(0, handle.y()));
    QCOMPARE(chart.timeRange().lower, 43200 * Second);
    QVERIFY(chart.timeRange().size() <= StripChartWidget::MaxSpan);
    QVERIFY(chart.timeRange().size() > 120 * Second);
}

void TestStripChart::wheelZoomsTheTimeAxisAroundTheMouse()
{
    ShownChart shown;
    StripChartWidget &chart = shown.chart;
    chart.setTimeRange(43200 * Second, 43260 * Second);
    const QPoint at(shown.column(43215 * Second), shown.area(0).center().y());

    // Forward zooms in to 0.8 of the span per step, the time under the mouse staying put.
    shown.wheel(at, 1);
    QVERIFY(near(chart.timeRange().size(), 48 * Second, 1e-9));
    QVERIFY(near(chart.timeRange().lower, 43200 * Second + 0.2 * 15 * Second, 0.3 * Second));
    shown.wheel(at, -2);
    QVERIFY(near(chart.timeRange().size(), 75 * Second, 1e-9));
    QVERIFY(!chart.isFollowing());

    // The span stays within its bounds however far the wheel turns.
    for (int i = 0; i < 40; ++i)
        shown.wheel(at, 3);
    QVERIFY(near(chart.timeRange().size(), StripChartWidget::MinSpan, 1e-12));
    for (int i = 0; i < 60; ++i)
        shown.wheel(at, -3);
    QVERIFY(near(chart.timeRange().size(), StripChartWidget::MaxSpan, 1e-9));
    // The value axes are not touched.
    QCOMPARE(chart.valueRange(0), QCPRange(-90, 90));
    QCOMPARE(chart.valueRange(1), QCPRange(0, 360));
}

void TestStripChart::wheelWhileFollowingKeepsFollowing()
{
    ShownChart shown;
    StripChartWidget &chart = shown.chart;
    shown.wheel(shown.area(1).center(), 1);
    chart.AddPoint(0, 43320 * Second, 1);
    chart.flush();
    QVERIFY(chart.isFollowing());
    QVERIFY(near(chart.timeRange().size(), 0.8 / 1440, 1e-12));
    QVERIFY(chart.timeRange().upper > 43320 * Second);
    QVERIFY(chart.timeRange().lower < 43320 * Second);
}

void TestStripChart::wheelOverAValueAxisZoomsThatAxis()
{
    ShownChart shown;
    StripChartWidget &chart = shown.chart;
    const QCPRange time = chart.timeRange();
    // The elevation axis' middle is 0: one step forward shows -72 to 72.
    const QRect upper = shown.area(0);
    const QPoint at(upper.left() - 15,
                    qRound(shown.plot->axisRects().at(0)->axis(QCPAxis::atLeft)->coordToPixel(0)));
    shown.wheel(at, 1);
    QVERIFY(near(chart.valueRange(0).lower, -72, 1));
    QVERIFY(near(chart.valueRange(0).upper, 72, 1));
    QCOMPARE(chart.valueRange(1), QCPRange(0, 360));
    QCOMPARE(chart.timeRange(), time);
    shown.wheel(shown.onValueAxis(1), -1);
    QVERIFY(near(chart.valueRange(1).size(), 450, 1e-9));
}

void TestStripChart::draggingTheAxisLabelsPans()
{
    ShownChart shown;
    StripChartWidget &chart = shown.chart;
    // The time labels: dragging 100 pixels to the left shows later times; following stops.
    const QCPRange before = chart.timeRange();
    const double perPixel = before.size() / shown.area(1).width();
    const QPoint from = shown.onTimeAxis();
    shown.drag(from, from - QPoint(100, 0));
    QVERIFY(!chart.isFollowing());
    QVERIFY(near(chart.timeRange().lower - before.lower, 100 * perPixel, 1e-9));
    QVERIFY(near(chart.timeRange().size(), before.size(), 1e-12));
    chart.AddPoint(0, 43400 * Second, 1);
    chart.flush();
    QVERIFY(near(chart.timeRange().lower - before.lower, 100 * perPixel, 1e-9));

    // A value axis' labels: dragging down by half the area's height shows higher values.
    const QPoint onAzimuth = shown.onValueAxis(1);
    shown.drag(onAzimuth, onAzimuth + QPoint(0, shown.area(1).height() / 2));
    QVERIFY(near(chart.valueRange(1).lower, 180, 360.0 / shown.area(1).height()));
    QVERIFY(near(chart.valueRange(1).size(), 360, 1e-9));
    QCOMPARE(chart.valueRange(0), QCPRange(-90, 90));
}

void TestStripChart::doubleClickOnAValueAxisRestoresItsRange()
{
    ShownChart shown;
    StripChartWidget &chart = shown.chart;
    chart.setValueRange(0, -10, 10);
    chart.setValueRange(1, 100, 200);
    chart.setTimeRange(43200 * Second, 43230 * Second);
    QTest::mouseDClick(shown.plot, Qt::LeftButton, {}, shown.onValueAxis(1));
    QCOMPARE(chart.valueRange(1), QCPRange(0, 360));
    QCOMPARE(chart.valueRange(0), QCPRange(-10, 10));
    QTest::mouseDClick(shown.plot, Qt::LeftButton, {}, shown.onValueAxis(0));
    QCOMPARE(chart.valueRange(0), QCPRange(-90, 90));
    // The time axis stays where the user left it.
    QVERIFY(!chart.isFollowing());
    QCOMPARE(chart.timeRange().lower, 43200 * Second);
}

void TestStripChart::rightButtonIsLeftForAContextMenu()
{
    // The right button's events go on to the plot, and from there to whatever menu its window
    // shows; the chart takes none of them and moves nothing.
    ShownChart shown;
    StripChartWidget &chart = shown.chart;
    QSignalSpy pressed(shown.plot, &QCustomPlot::mousePress);
    QSignalSpy released(shown.plot, &QCustomPlot::mouseRelease);
    QSignalSpy doubleClicked(shown.plot, &QCustomPlot::mouseDoubleClick);
    QSignalSpy events(&chart, &StripChartWidget::CursorEvent);
    const QCPRange time = chart.timeRange();
    for (const QPoint at : {shown.area(0).center(), shown.onTimeAxis(), shown.onValueAxis(1),
                            shown.area(1).bottomRight()}) {
        QTest::mousePress(shown.plot, Qt::RightButton, {}, at);
        QTest::mouseMove(shown.plot, at - QPoint(80, 20));
        QTest::mouseRelease(shown.plot, Qt::RightButton, {}, at - QPoint(80, 20));
        QTest::mouseDClick(shown.plot, Qt::RightButton, {}, at);
    }
    QCOMPARE(pressed.count(), 4);
    QCOMPARE(doubleClicked.count(), 4);
    QCOMPARE(released.count(), 4);
    QCOMPARE(events.count(), 0);
    QVERIFY(!chart.hasCursor());
    QCOMPARE(chart.timeRange(), time);
    QCOMPARE(chart.valueRange(1), QCPRange(0, 360));
    // The left button still works after it.
    QTest::mouseClick(shown.plot, Qt::LeftButton, {}, shown.area(0).center());
    QCOMPARE(events.count(), 1);
    QCOMPARE(pressed.count(), 4);
}

void TestStripChart::dividerMoves()
{
    ShownChart shown;
    QCOMPARE(shown.chart.dividerFraction(), 0.465);
    const int gapY = (shown.area(0).bottom() + shown.area(1).top()) / 2;
    const int x = shown.area(0).center().x();
    QTest::mousePress(shown.plot, Qt::LeftButton, {}, QPoint(x, gapY));
    QTest::mouseMove(shown.plot, QPoint(x, gapY + 60));
    QTest::mouseRelease(shown.plot, Qt::LeftButton, {}, QPoint(x, gapY + 60));
    QVERIFY(shown.chart.dividerFraction() > 0.6);
    shown.chart.setDividerFraction(2.0);
    QCOMPARE(shown.chart.dividerFraction(), 0.85);
}

void TestStripChart::timeLabels_data()
{
    QTest::addColumn<double>("x");
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("label");
    QTest::newRow("noon") << 0.5 << "%H:%M:%S "
                          << "12:00:00 ";
    QTest::newRow("past midnight") << 1.0 + 3661 * Second << "%H:%M:%S "
                                   << "01:01:01 ";
    QTest::newRow("last second") << 86399 * Second << "%H:%M:%S "
                                 << "23:59:59 ";
    QTest::newRow("percent") << 0.25 << "%H%%"
                             << "06%";
}

void TestStripChart::timeLabels()
{
    QFETCH(double, x);
    QFETCH(QString, format);
    QFETCH(QString, label);
    QCOMPARE(TimeOfDayTicker::formatTimeOfDay(x, format), label);
}

void TestStripChart::timeTicksStayReadable()
{
    // However far the chart is zoomed, a few labels, on whole seconds.
    QSharedPointer<TimeOfDayTicker> ticker = QSharedPointer<TimeOfDayTicker>::create();
    ticker->setTickCount(5);
    for (const double span : {10 * Second, 1.0 / 1440, 1.0 / 24, 1.0, 7.0}) {
        QVector<double> ticks;
        QVector<QString> labels;
        ticker->generate(QCPRange(0.3, 0.3 + span), QLocale::c(), u'g', 6, ticks, nullptr, &labels);
        QVERIFY2(ticks.size() >= 2 && ticks.size() <= 12, qPrintable(QString::number(span)));
        for (const double t : ticks)
            QVERIFY(qAbs(t * 86400 - qRound64(t * 86400)) < 1e-4);
    }
}

namespace
{
double instant(const char *iso)
{
    return ChartTime::fromMsecs(
        QDateTime::fromString(QString::fromLatin1(iso), Qt::ISODate).toMSecsSinceEpoch());
}
} // namespace

// The repeated hour of an autumn change labelled twice, each stretch at the offset its points
// had; when the view spans dates, the midnight tick shows the date.
void TestStripChart::ticksLabelledInTheirOwnLocalTime_data()
{
    QTest::addColumn<double>("from");
    QTest::addColumn<double>("to");
    QTest::addColumn<QStringList>("labels");
    QTest::newRow("autumn change")
        << instant("2026-10-25T02:50:00+02:00") << instant("2026-10-25T02:10:00+01:00")
        << QStringList{u"02:50:00 "_s, u"02:55:00 "_s, u"02:00:00 "_s, u"02:05:00 "_s,
                       u"02:10:00 "_s};
    QTest::newRow("spring change")
        << instant("2026-03-29T01:50:00+01:00") << instant("2026-03-29T03:10:00+02:00")
        << QStringList{u"01:50:00 "_s, u"01:55:00 "_s, u"03:00:00 "_s, u"03:05:00 "_s,
                       u"03:10:00 "_s};
    QTest::newRow("midnight") << instant("2026-12-07T22:00:00+01:00")
                              << instant("2026-12-08T02:00:00+01:00")
                              << QStringList{u"22:00:00 "_s, u"23:00:00 "_s, u"2026-12-08 "_s,
                                             u"01:00:00 "_s, u"02:00:00 "_s};
}

void TestStripChart::ticksLabelledInTheirOwnLocalTime()
{
    QFETCH(double, from);
    QFETCH(double, to);
    QFETCH(QStringList, labels);
    // The offsets as the points noted them (the test's own zone is UTC).
    UtcOffsetRuns offsets;
    offsets.note(instant("2026-03-29T01:00:00+01:00"), 3600);
    offsets.note(instant("2026-03-29T03:00:00+02:00"), 7200);
    offsets.note(instant("2026-10-25T02:00:00+01:00"), 3600);
    QSharedPointer<TimeOfDayTicker> ticker = QSharedPointer<TimeOfDayTicker>::create();
    ticker->setOffsets(&offsets);
    ticker->setTickCount(5);
    QVector<double> ticks;
    QVector<QString> got;
    // A second's room at either end: a tick on the very edge may fall either side of it.
    ticker->generate(QCPRange(from - Second, to + Second), QLocale::c(), u'g', 6, ticks, nullptr,
                     &got);
    QStringList shown;
    for (qsizetype i = 0; i < ticks.size(); ++i) {
        if (ticks[i] >= from - 1e-9 && ticks[i] <= to + 1e-9)
            shown << got[i];
    }
    QCOMPARE(shown, labels);
}

void TestStripChart::pausesAreNotJoined_data()
{
    QTest::addColumn<int>("pause");
    QTest::addColumn<bool>("joined");
    QTest::newRow("5 s") << 5 << true;
    QTest::newRow("6 s") << 6 << false;
}

void TestStripChart::pausesAreNotJoined()
{
    QFETCH(int, pause);
    QFETCH(bool, joined);
    ShownChart shown;
    DayOneChart &chart = shown.chart;
    chart.ClearChart();
    chart.AddPoint(0, 50000 * Second, -80);
    chart.AddPoint(0, (50000 + pause) * Second, 80);
    chart.setTimeRange(49999 * Second, 50020 * Second);
    chart.flush();
    // Halfway between the two points, the line crosses 0 if they are joined.
    const QImage picture = shown.plot->grab().toImage();
    const int x = shown.column((50000 + pause / 2.0) * Second);
    const QRect area = shown.area(0);
    bool inked = false;
    for (int y = area.top(); y <= area.bottom(); ++y)
        inked = inked || picture.pixelColor(x, y) == QColor(255, 96, 96);
    QCOMPARE(inked, joined);
}

int main(int argc, char **argv)
{
    qputenv("TZ", "UTC");
    QApplication app(argc, argv);
    TestStripChart test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_stripchart.moc"
