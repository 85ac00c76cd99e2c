#pragma once

#include <QByteArray>
#include <QMap>

// The device's command set and stored settings, without any I/O: one command line in, the
// reply (whole lines, each ended CR LF) out.
class DeviceModel
{
public:
    enum class Stream { Unchanged, Start, Stop };

    struct Outcome {
        QByteArray reply;
        Stream stream = Stream::Unchanged;
    };

    DeviceModel();

    // A command without its line end.
    Outcome handle(const QByteArray &command);

    // Stores a value as "!NAME=VALUE" would; false when the name or value is not accepted.
    bool set(const QByteArray &name, const QByteArray &value);
    QByteArray value(const QByteArray &name) const { return values_.value(name); }

    static QByteArray ok() { return QByteArrayLiteral("OK\r\n"); }
    static QByteArray error() { return QByteArrayLiteral("ERROR\r\n"); }

private:
    QByteArray status() const;

    QMap<QByteArray, QByteArray> values_;
};
