#include "sim/SimLog.h"

#include <QTime>

using namespace Qt::StringLiterals;

bool SimLog::open(const QString &path, QString *error)
{
    clock_.start();
    if (path.isEmpty())
        return true;
    file_.setFileName(path);
    if (!file_.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
        *error = QStringLiteral("cannot write the log %1: %2").arg(path, file_.errorString());
        return false;
    }
    return true;
}

QByteArray SimLog::escaped(const QByteArray &bytes)
{
    QByteArray text;
    for (const char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '\r')
            text += "\\r";
        else if (c == '\n')
            text += "\\n";
        else if (c == '\\')
            text += "\\\\";
        else if (u < 0x20 || u > 0x7e)
            text += "\\x" + QByteArray::number(u, 16).rightJustified(2, '0');
        else
            text += c;
    }
    return text;
}

void SimLog::write(const char *kind, const QByteArray &text)
{
    if (!file_.isOpen())
        return;
    const QByteArray stamp = QByteArray::number(clock_.elapsed()) + ' ' +
                             QTime::currentTime().toString(u"hh:mm:ss.zzz"_s).toLatin1();
    file_.write(stamp + ' ' + kind + ' ' + escaped(text) + '\n');
    file_.flush();
}
