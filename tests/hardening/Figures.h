#pragma once

#include <QFile>
#include <QtGlobal>
#include <unistd.h>

// The figures the hardening tests track, printed with qInfo so that they show in the log.

#if defined(__SANITIZE_ADDRESS__)
// AddressSanitizer's quarantine and shadow memory make resident size say nothing about the
// program's own growth; those builds check for leaks instead.
inline constexpr bool UnderAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr bool UnderAddressSanitizer = true;
#else
inline constexpr bool UnderAddressSanitizer = false;
#endif
#else
inline constexpr bool UnderAddressSanitizer = false;
#endif

// This process's resident memory, in bytes.
inline qint64 residentBytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLongLong() * sysconf(_SC_PAGESIZE) : 0;
}

inline double mebibytes(qint64 bytes)
{
    return double(bytes) / (1024.0 * 1024.0);
}
