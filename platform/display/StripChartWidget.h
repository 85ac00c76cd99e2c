#pragma once

#include "chartdata/ChartStore.h"
#include "chartdata/ChartTime.h"
#include "platform/display/ChartMarks.h"
#include "platform/display/ChartOverlay.h"
#include "platform/display/ChartPlot.h"
#include "platform/display/StripChart.h"
#include "platform/display/StripChartInteraction.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <qcustomplot.h>

class QLabel;
class Clock;

class TimeOfDayTicker;
class TracePlottable;

// The two-trace strip chart: elevation (trace 0, -90..90) in the upper plotting area and azimuth
// (trace 1, 0..360) in the lower one, over a shared time axis. X is real time (ChartTime); a
// point's time of day becomes the latest instant at or before now with that local time, so the
// chart goes on to the right through midnight and a daylight-saving change alike. The points live
// in a ChartStore; the plot only draws the pixel columns it shows. Adding a point only stores it;
// a picture is drawn (by a timer, at most every 33 ms) only when pixels would change: the view
// moves (while following, as the newest point's time advances) or a new point falls outside
// what its pixel column already shows. A hidden chart draws nothing until it is shown.
//
// Mouse: a click or drag in a plotting area places the cursor (CursorEvent follows); the white
// handles stretch an axis (value axes at their ends, the time axis at its right end); dragging
// on an axis' labels pans it; the divider between the areas moves; the wheel zooms the time
// axis (over a value axis, that axis). In chart mode 2 the time axis follows the newest point
// until the user pans or zooms it; a double click in a plotting area follows again, a double
// click on a value axis restores its default scale.
class StripChartWidget : public QWidget, public StripChart
{
    Q_OBJECT

public:
    // The clock gives "now" where the chart needs it: the view of an empty chart, and the day
    // the first point belongs to.
    explicit StripChartWidget(const Clock &clock, QWidget *parent = nullptr);
    ~StripChartWidget() override;

    void ClearChart() override;
    void setChartMode(short mode) override;
    void setTimeScale(double days) override;
    void AddPoint(short trace, double x, double y) override;
    void setCurrentTrace(short trace) override;
    short CurrentTrace() const override { return currentTrace_; }
    void setCaption(const QString &caption) override;
    QString Caption() const override;
    void setTraceCaptionColor(std::uint32_t bgr) override;
    std::uint32_t TraceCaptionColor() const override;
    std::uint32_t BackColor() const override { return backColor_; }
    double ValueAtCursor(short trace) const override;

    short ChartMode() const { return chartMode_; }
    double TimeScale() const { return timeScale_; }
    void setTimeFormat(const QString &format);
    QString timeFormat() const;

    // The cursor at an unwrapped X (days). Raises no CursorEvent: that is for the user's moves.
    void setCursorX(double x);
    double cursorX() const { return cursorX_; }
    bool hasCursor() const { return hasCursor_; }

    // Following the newest point (chart mode 2 only).
    bool isFollowing() const;
    void setFollowing(bool follow);
    // The visible time span; setting it stops following.
    QCPRange timeRange() const;
    void setTimeRange(double lower, double upper);
    // The visible time span, following on where it did (the next picture moves a followed
    // span to the newest point).
    void setTimeRangeKeepingFollow(double lower, double upper);
    // The shortest and longest time span shown, in days.
    static constexpr double MinSpan = 5.0 / 86400.0;
    static constexpr double MaxSpan = 30.0;
    static QCPRange defaultValueRange(int trace)
    {
        return trace == 0 ? QCPRange(-90, 90) : QCPRange(0, 360);
    }
    QCPRange valueRange(short trace) const;
    void setValueRange(short trace, double lower, double upper);
    // The upper area's share of the plotting height.
    double dividerFraction() const { return dividerFraction_; }
    void setDividerFraction(double fraction);

    const ChartStore &store() const { return store_; }
    // The clock that places points' times of day (the system's unless set).
    void setNowSource(std::function<QDateTime()> now);
    // X as a date and time, at the UTC offset its points had (the system's where none tells).
    QDateTime localTimeAt(double x) const;
    // Shows a store built elsewhere (a recording read back) in place of the current points and
    // leaves the old ones in `store`. The view spans the new points and stops following.
    void takeStore(ChartStore &store);
    // A line of text drawn at the top of the chart (empty: none), e.g. what file is shown.
    void setFileNotice(const QString &text);
    QString fileNotice() const;
    // The plot, for saving pictures with its own savers.
    QCustomPlot *plot() const { return plot_; }
    // Replots done so far (for measuring the repaint rate).
    long long replotCount() const { return replots_; }
    // Draws any pending change now rather than at the next timer tick.
    void flush();
    // Off: every new point redraws every layer (the reference the cached drawing is compared
    // against).
    void setCachedDrawing(bool on);
    bool cachedDrawing() const { return cached_; }

    QSize sizeHint() const override { return {401, 353}; }

    // Dashed lines across a plotting area at these values (a trace's limits); none by default.
    void setLimitLines(short trace, const QList<double> &values);
    QList<double> limitLines(short trace) const { return marks_->limits(trace); }
    // Shaded time periods (X as the points'); cleared with the chart.
    void setShadedPeriods(const QList<ChartMarks::Period> &periods);
    QList<ChartMarks::Period> shadedPeriods() const { return marks_->periods(); }
    // One line of text along the foot of the upper plotting area; empty hides it.
    void setNotice(const QString &text, const QColor &color);
    QString notice() const;

signals:
    void CursorEvent(int x, int trace);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    // Points only (the axes may still scroll), or anything else that changes the picture.
    enum class ReplotScope { TracesOnly, Everything };
    void scheduleReplot(ReplotScope scope = ReplotScope::Everything);
    bool replotPending() const;
    void cancelPendingReplot();
    void replotNow();
    bool redrawNewestColumns();
    void applyFollowing();
    void updateTickCounts();
    void placeNotice();
    void userMovedCursor(double px, int trace);
    QCPAxis *timeAxis() const;
    QCPAxis *valueAxis(int trace) const;
    double nowX() const;

    ChartStore store_;
    TimeOfDayResolver resolver_;
    std::function<QDateTime()> now_;
    ChartPlot *plot_;
    std::array<QCPAxisRect *, 2> rects_{};
    std::array<TracePlottable *, 2> traces_{};
    QSharedPointer<TimeOfDayTicker> timeTicker_;
    ChartOverlay *overlay_ = nullptr;
    ChartMarks *marks_ = nullptr;
    QLabel *notice_ = nullptr;
    QString noticeText_;
    QTimer replotTimer_;
    // A replot that was due at once is posted to run next.
    bool replotPosted_ = false;
    // Axis ranges at the last full replot; while they stand, data-only frames redraw the traces.
    std::array<QCPRange, 3> lastRanges_;
    bool fullReplotDue_ = true;
    bool tracesDue_ = false;
    bool cached_ = true;
    // The newest X the time axis followed at the last picture.
    double followedX_ = 0;
    QElapsedTimer sinceReplot_;
    // The width of a time label, for the number of ticks, and what it was measured for.
    QFont labelFont_;
    QString labelFormat_;
    int labelWidth_ = -1;
    long long replots_ = 0;

    std::array<QString, 2> captions_;
    std::array<std::uint32_t, 2> captionColors_{};
    std::uint32_t backColor_;
    short currentTrace_ = 0;
    short chartMode_ = 2;
    double timeScale_ = 1.0 / 1440.0;
    bool following_ = true;
    bool hasCursor_ = false;
    double cursorX_ = 0;
    double dividerFraction_ = 0.465;

    std::unique_ptr<StripChartInteraction> interaction_;
};
