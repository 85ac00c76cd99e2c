#include "logger/StderrPrompts.h"

#include "logger/StderrLine.h"

using namespace Qt::StringLiterals;

void StderrPrompts::message(const QString &text, const QString &detail)
{
    writeStderrLine(detail.isEmpty() ? text : text + u' ' + detail);
}
