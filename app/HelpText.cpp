#include "app/HelpText.h"

#include <QStringList>

QString helpText(int major, int minor, int revision)
{
    const QStringList lines = {
        QStringLiteral("Orvel On-line v%1.%2.%3").arg(major).arg(minor).arg(revision),
        QStringLiteral(" "),
        QStringLiteral("A utility to display on-line data and configure Kavrona's Dravelin(TM)."),
        QStringLiteral("Copyright (C) 2026 the Orvel On-Line developers, GPLv3+."),
        QStringLiteral(" "),
        QStringLiteral("- Select a com port to connect the Dravelin."),
        QStringLiteral(" "),
        QStringLiteral("PLOTTING"),
        QStringLiteral("- The Start and Stop buttons control the plot."),
        QStringLiteral("- Use the white handles to scale the graph."),
        QStringLiteral("- You can move the divider between plotting areas."),
        QStringLiteral(" "),
        QStringLiteral("SETUP"),
        QStringLiteral("- The Setup window allows on-line changing of Dravelin parameters."),
        QStringLiteral("- Click the yellow 'Set' buttons to fix the changed parameter."),
    };
    QString text;
    for (const QString &line : lines)
        text += line + QLatin1Char('\n');
    return text;
}
