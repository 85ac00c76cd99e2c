#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// Writes a test's input file whole; a test cannot go on without it, so failing ends the run.
inline QString writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}
