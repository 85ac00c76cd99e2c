#pragma once

#include <QString>

// The setup window's own texts. Status-line messages end in one blank: the time stamp follows.
namespace SetupTexts
{

inline const QString Unknown = QStringLiteral("UNKNOWN");
inline const QString Working = QStringLiteral("Working. Please wait...");
inline const QString PortActive = QStringLiteral("Port already active");
inline const QString NotResponding = QStringLiteral("Device not responding");
inline const QString NotRespondingAt = QStringLiteral("Device not responding at ");
inline const QString RefreshedAt = QStringLiteral("Refreshed at ");

} // namespace SetupTexts
