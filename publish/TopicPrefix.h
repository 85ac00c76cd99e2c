#pragma once

#include <QString>

// The topics a publisher writes under: PREFIX/reading, PREFIX/event and PREFIX/status.
namespace TopicPrefix
{

// "orvel/<host name>/<port name>": each part reduced to letters, digits, '.', '_' and '-' (other
// characters become '_'), and a port given as a path ("/dev/ttyUSB0") named by its last part, so
// a subscriber's "orvel/+/+/reading" matches every mast.
QString fallback(const QString &hostName, const QString &portName);

// Empty when the prefix can name topics; otherwise what is wrong with it (empty, wildcards,
// empty levels, a leading '$' that brokers keep for themselves).
QString problem(const QString &prefix);

} // namespace TopicPrefix
