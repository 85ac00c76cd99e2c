#pragma once

#include <qcustomplot.h>

// Time-of-day ticks for an axis in days. Steps are whole seconds, minutes or hours that divide
// the day evenly, so labels fall on round times at any zoom; an X past midnight (unwrapped by
// whole days) labels as its time of day.
class TimeOfDayTicker : public QCPAxisTicker
{
public:
    explicit TimeOfDayTicker(const QString &format = QStringLiteral("%H:%M:%S "));

    void setFormat(const QString &format) { format_ = format; }
    QString format() const { return format_; }
    // Ticks closer to either end than this fraction of the span get no label, so a label is
    // never cut in half by the edge of the widget.
    void setEdgeBlank(double fraction) { edgeBlank_ = fraction; }
    void generate(const QCPRange &range, const QLocale &locale, QChar formatChar, int precision,
                  QVector<double> &ticks, QVector<double> *subTicks,
                  QVector<QString> *tickLabels) override;
    // "%H", "%M" and "%S" become two-digit hours, minutes and seconds; "%%" a percent sign.
    static QString formatTimeOfDay(double days, const QString &format);

protected:
    double getTickStep(const QCPRange &range) override;
    int getSubTickCount(double tickStep) override;
    QString getTickLabel(double tick, const QLocale &locale, QChar formatChar,
                         int precision) override;
    QVector<QString> createLabelVector(const QVector<double> &ticks, const QLocale &locale,
                                       QChar formatChar, int precision) override;

private:
    QString format_;
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
