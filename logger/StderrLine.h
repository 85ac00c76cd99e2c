#pragma once

#include <QString>

// One line on standard error, line ends inside the text made spaces, so the journal keeps it
// as one entry.
void writeStderrLine(const QString &text);
