#include "watch/EventRow.h"

#include "recording/RecordRow.h"

#include <QLocale>

#include <cmath>

namespace
{

QByteArray numberField(double value)
{
    if (!std::isfinite(value))
        return {};
    return QByteArray::number(value, 'g', QLocale::FloatingPointShortest);
}

QByteArray quoted(const QString &detail)
{
    QString text = detail.left(EventRow::MaxDetail);
    text.replace(QStringLiteral("\r\n"), QStringLiteral(" | "));
    text.replace(u'\n', QStringLiteral(" | "));
    for (QChar &c : text) {
        if (c.category() == QChar::Other_Control)
            c = u' ';
    }
    QByteArray out = text.toUtf8();
    out.replace('"', "\"\"");
    return '"' + out + '"';
}

std::optional<MonitorEventKind> kindOf(QByteArrayView name)
{
    for (int k = int(MonitorEventKind::StreamStart); k <= int(MonitorEventKind::BrokerRefused);
         ++k) {
        if (name == eventName(MonitorEventKind(k)).toLatin1())
            return MonitorEventKind(k);
    }
    return std::nullopt;
}

std::optional<Quantity> quantityOf(QByteArrayView name)
{
    for (Quantity q : {Quantity::None, Quantity::Elevation, Quantity::Azimuth}) {
        if (name == quantityName(q).toLatin1())
            return q;
    }
    return std::nullopt;
}

} // namespace

namespace EventRow
{

QByteArray header()
{
    return QByteArrayLiteral("time,event,quantity,value,limit,detail\r\n");
}

// The recordings' own time text, so both files read the same.
QByteArray timeText(const QDateTime &time)
{
    Reading reading;
    reading.msecsSinceEpoch = time.toMSecsSinceEpoch();
    reading.utcOffsetSeconds = time.offsetFromUtc();
    QByteArray row;
    RecordRow::append(row, reading);
    return row.first(row.indexOf(','));
}

QByteArray format(const MonitorEvent &event)
{
    return timeText(event.time) + ',' + eventName(event.kind).toLatin1() + ',' +
           quantityName(event.quantity).toLatin1() + ',' + numberField(event.value) + ',' +
           numberField(event.limit) + ',' + quoted(event.detail) + "\r\n";
}

std::optional<Head> parseHead(QByteArrayView line)
{
    const qsizetype first = line.indexOf(',');
    const qsizetype second = first < 0 ? -1 : line.indexOf(',', first + 1);
    const qsizetype third = second < 0 ? -1 : line.indexOf(',', second + 1);
    if (third < 0)
        return std::nullopt;
    // The recordings' reader checks the time; two empty values make it a row of theirs.
    const QByteArray asRecord = line.first(first).toByteArray() + ",,";
    const auto reading = RecordRow::parse(asRecord);
    const auto kind = kindOf(line.sliced(first + 1, second - first - 1));
    const auto quantity = quantityOf(line.sliced(second + 1, third - second - 1));
    if (!reading || !kind || !quantity)
        return std::nullopt;
    return Head{QDateTime::fromMSecsSinceEpoch(reading->msecsSinceEpoch, Qt::OffsetFromUTC,
                                               reading->utcOffsetSeconds),
                *kind, *quantity};
}

} // namespace EventRow
