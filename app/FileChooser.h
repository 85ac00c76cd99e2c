#pragma once

#include <QString>

class QWidget;

// The file dialogs the chart's menu asks, behind an interface so tests can answer them.
class FileChooser
{
public:
    virtual ~FileChooser() = default;
    // An existing file to open, the dialog starting in `folder`; empty when the user cancels.
    virtual QString openFile(const QString &caption, const QString &folder,
                             const QString &filter) = 0;
    // A file name to write; empty when the user cancels. `filters` are ";;"-separated; the one
    // the user picked comes back in *chosenFilter.
    virtual QString saveFile(const QString &caption, const QString &suggested,
                             const QString &filters, QString *chosenFilter) = 0;
};

// Qt's file dialogs over the given window.
class QtFileChooser final : public FileChooser
{
public:
    explicit QtFileChooser(QWidget *owner) : owner_(owner) {}
    QString openFile(const QString &caption, const QString &folder, const QString &filter) override;
    QString saveFile(const QString &caption, const QString &suggested, const QString &filters,
                     QString *chosenFilter) override;

private:
    QWidget *owner_;
};
