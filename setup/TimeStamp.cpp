#include "setup/TimeStamp.h"

namespace
{

// True when the format has the field letter outside quoted literal text.
bool hasField(const QString &format, QChar letter)
{
    bool quoted = false;
    for (const QChar c : format) {
        if (c == u'\'')
            quoted = !quoted;
        else if (!quoted && c.toLower() == letter)
            return true;
    }
    return false;
}

} // namespace

QString timeFormatWithoutZone(const QLocale &locale)
{
    const QString format = locale.timeFormat(QLocale::LongFormat);
    QString result;
    bool quoted = false;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format.at(i);
        if (c == u'\'')
            quoted = !quoted;
        if (quoted || c != u't') {
            result += c;
            continue;
        }
        // Drop the zone field ("t" to "tttt") and the blanks that separated it.
        while (i + 1 < format.size() && format.at(i + 1) == u't')
            ++i;
        while (!result.isEmpty() && result.back().isSpace())
            result.chop(1);
        while (i + 1 < format.size() && format.at(i + 1).isSpace() && result.isEmpty())
            ++i;
    }
    result = result.trimmed();
    if (!hasField(result, u'h') || !hasField(result, u'm') || !hasField(result, u's'))
        return QStringLiteral("HH:mm:ss");
    return result;
}

QString timeStamp(const QTime &time, const QLocale &locale)
{
    return locale.toString(time, timeFormatWithoutZone(locale));
}
