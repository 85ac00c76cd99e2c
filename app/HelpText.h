#pragma once

#include <QString>

// The text the "Help" command shows: fifteen lines, each ended by a line feed, the first the
// program's name and version.
QString helpText(int major, int minor, int revision);
