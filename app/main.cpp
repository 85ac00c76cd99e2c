// Orvel On-Line: the program's parts are wired in Program; it runs until the main window closes
// or Exit is chosen.
#include "app/AppInfo.h"
#include "app/Program.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(AppInfo::title());
    QApplication::setApplicationVersion(
        QStringLiteral("%1.%2.%3").arg(AppInfo::Major).arg(AppInfo::Minor).arg(AppInfo::Revision));
    QApplication::setDesktopFileName(QStringLiteral("orvel"));

    Program program;
    program.window().show();
    return QApplication::exec();
}
