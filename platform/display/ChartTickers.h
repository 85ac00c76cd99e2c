#pragma once

#include <qcustomplot.h>

class UtcOffsetRuns;

// Local time ticks for an axis of real time (days since 1970 UTC). Steps are whole seconds,
// minutes or hours that divide the day evenly, so labels fall on round local times at any zoom.
// Each stretch of the axis is labelled with the UTC offset its points had (a repeated hour of
// an autumn change is labelled twice); where no point tells, with the system's offset. When the
// view spans more than one local date, a tick at midnight shows the date instead.
class TimeOfDayTicker : public QCPAxisTicker
{
public:
    explicit TimeOfDayTicker(const QString &format = QStringLiteral("%H:%M:%S "));

    void setFormat(const QString &format) { format_ = format; }
    // The offsets the labels follow; null (or none noted): the system's.
    void setOffsets(const UtcOffsetRuns *offsets) { offsets_ = offsets; }
    QString format() const { return format_; }
    // Ticks closer to either end than this fraction of the span get no label, so a label is
    // never cut in half by the edge of the widget.
    void setEdgeBlank(double fraction) { edgeBlank_ = fraction; }
    void generate(const QCPRange &range, const QLocale &locale, QChar formatChar, int precision,
                  QVector<double> &ticks, QVector<double> *subTicks,
                  QVector<QString> *tickLabels) override;
    // "%H", "%M" and "%S" become two-digit hours, minutes and seconds; "%%" a percent sign.
    static QString formatTimeOfDay(double days, const QString &format);
    // The label of a midnight tick when the view spans dates.
    static QString formatDate(double localDays, const QString &format);

protected:
    double getTickStep(const QCPRange &range) override;
    int getSubTickCount(double tickStep) override;
    QString getTickLabel(double tick, const QLocale &locale, QChar formatChar,
                         int precision) override;
    QVector<QString> createLabelVector(const QVector<double> &ticks, const QLocale &locale,
                                       QChar formatChar, int precision) override;
    QVector<double> createTickVector(double tickStep, const QCPRange &range) override;

private:
    // The offset labels use at x, in days.
    double offsetDays(double x) const;

    QString format_;
    const UtcOffsetRuns *offsets_ = nullptr;
    int fallbackOffset_ = 0;
    bool spansDates_ = false;
    double edgeBlank_ = 0;
    QCPRange range_;
};

// Ticks for angles in degrees: steps of 15, 30, 45, 90 ... above ten degrees, 1-2-5 below.
class AngleTicker : public QCPAxisTicker
{
protected:
    double getTickStep(const QCPRange &range) override;
    int getSubTickCount(double tickStep) override;
};
