#pragma once

#include <QString>

// The folder the user last saved a chart's data or picture in, kept in the program's settings so
// that the save dialogs of the next run open there too.
namespace LastFolder
{

// The remembered folder while it still exists, else `fallback`.
QString path(const QString &fallback);
// Remembers the folder of a file just chosen.
void remember(const QString &chosenFile);

} // namespace LastFolder
