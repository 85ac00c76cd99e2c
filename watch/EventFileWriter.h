#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

// The events log's worker, on a thread of its own: each row is appended to its file and put on
// the disk before the next one, since events are few and each may be the one that explains a
// crash.
class EventFileWriter final : public QObject
{
    Q_OBJECT

public:
    // Appends the row, with the header first in a new or empty file; a file whose last row was
    // torn gets the row on a fresh line.
    void write(const QString &path, const QByteArray &row);

signals:
    void written(const QString &path);
    void failed(const QString &path, const QString &reason);
};
