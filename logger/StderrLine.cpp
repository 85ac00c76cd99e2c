#include "logger/StderrLine.h"

#include <cstdio>

void writeStderrLine(const QString &text)
{
    QString line = text.simplified();
    line.append(u'\n');
    const QByteArray bytes = line.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
    std::fflush(stderr);
}
