#include "publish/MessagePayload.h"

#include <cmath>
#include <limits>

namespace
{

constexpr qsizetype MaxDetailChars = 4000;

// The recording's own row, split into its three fields: the one place times and values are
// formatted stays the one place.
struct RowFields {
    QByteArray row;
    qsizetype firstComma = 0;
    qsizetype secondComma = 0;

    QByteArrayView time() const { return QByteArrayView(row).first(firstComma); }
    QByteArrayView elevation() const
    {
        return QByteArrayView(row).sliced(firstComma + 1, secondComma - firstComma - 1);
    }
    QByteArrayView azimuth() const
    {
        return QByteArrayView(row).sliced(secondComma + 1, row.size() - 2 - secondComma - 1);
    }
};

RowFields rowFields(const Reading &reading)
{
    RowFields fields;
    fields.row.reserve(64);
    RecordRow::append(fields.row, reading);
    fields.firstComma = fields.row.indexOf(',');
    fields.secondComma = fields.row.indexOf(',', fields.firstComma + 1);
    return fields;
}

void appendNumber(QByteArray &out, QByteArrayView text)
{
    if (text.isEmpty())
        out.append("null");
    else
        out.append(text);
}

void appendString(QByteArray &out, const QString &text)
{
    static constexpr char Hex[] = "0123456789abcdef";
    out.append('"');
    for (const char c : text.toUtf8()) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out.append('\\');
            out.append(c);
        } else if (u < 0x20) {
            switch (c) {
            case '\n':
                out.append("\\n");
                break;
            case '\r':
                out.append("\\r");
                break;
            case '\t':
                out.append("\\t");
                break;
            default:
                out.append("\\u00");
                out.append(Hex[u >> 4]);
                out.append(Hex[u & 15]);
            }
        } else {
            out.append(c);
        }
    }
    out.append('"');
}

} // namespace

namespace MessagePayload
{

QByteArray reading(const Reading &reading)
{
    const RowFields fields = rowFields(reading);
    QByteArray out;
    out.reserve(80);
    out.append("{\"time\":\"");
    out.append(fields.time());
    out.append("\",\"elevation\":");
    appendNumber(out, fields.elevation());
    out.append(",\"azimuth\":");
    appendNumber(out, fields.azimuth());
    out.append('}');
    return out;
}

QByteArray event(const PublishedEvent &event)
{
    const RowFields fields =
        rowFields({event.msecsSinceEpoch, event.utcOffsetSeconds, event.value, event.limit});
    QByteArray out;
    out.reserve(128 + event.detail.size());
    out.append("{\"time\":\"");
    out.append(fields.time());
    out.append("\",\"event\":");
    appendString(out, event.event);
    out.append(",\"quantity\":");
    appendString(out, event.quantity);
    out.append(",\"value\":");
    appendNumber(out, fields.elevation());
    out.append(",\"limit\":");
    appendNumber(out, fields.azimuth());
    out.append(",\"detail\":");
    // A command's output can be long: the message keeps its beginning.
    qsizetype keep = qMin(event.detail.size(), MaxDetailChars);
    if (keep < event.detail.size() && event.detail.at(keep - 1).isHighSurrogate())
        --keep;
    appendString(out, event.detail.first(keep));
    out.append('}');
    return out;
}

} // namespace MessagePayload
