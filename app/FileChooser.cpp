#include "app/FileChooser.h"

#include <QFileDialog>

QString QtFileChooser::openFile(const QString &caption, const QString &folder,
                                const QString &filter)
{
    return QFileDialog::getOpenFileName(owner_, caption, folder, filter);
}

QString QtFileChooser::saveFile(const QString &caption, const QString &suggested,
                                const QString &filters, QString *chosenFilter)
{
    return QFileDialog::getSaveFileName(owner_, caption, suggested, filters, chosenFilter);
}
