#include "watch/EventFileWriter.h"

#include "watch/EventRow.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace
{

// A file cut short (a crash, a power cut) ends inside a row; the next row starts on a line of
// its own so that only the torn one is lost.
bool endsTorn(QFile &file)
{
    const qint64 size = file.size();
    if (size == 0 || file.isSequential())
        return false;
    QFile reader(file.fileName());
    if (!reader.open(QIODevice::ReadOnly) || !reader.seek(size - 1))
        return false;
    char last = 0;
    return reader.getChar(&last) && last != '\n';
}

} // namespace

void EventFileWriter::write(const QString &path, const QByteArray &row)
{
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
        emit failed(path, QStringLiteral("the folder cannot be made"));
        return;
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered)) {
        emit failed(path, file.errorString());
        return;
    }
    QByteArray out;
    if (file.isSequential() || file.size() == 0)
        out = EventRow::header();
    else if (endsTorn(file))
        out = QByteArrayLiteral("\r\n");
    out += row;
    if (file.write(out) != out.size()) {
        emit failed(path, file.errorString());
        return;
    }
#if defined(Q_OS_LINUX)
    ::fdatasync(file.handle());
#elif defined(Q_OS_UNIX)
    ::fsync(file.handle());
#endif
    file.close();
    emit written(path);
}
