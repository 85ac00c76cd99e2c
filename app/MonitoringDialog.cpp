#include "app/MonitoringDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace
{

struct FieldText {
    const char *label;
    const char *placeholder;
    const char *name;
};

constexpr std::array<FieldText, MonitoringForm::FieldCount> FieldTexts = {{
    {"Elevation limits (LOW:HIGH):", "off, e.g. -5:5", "elevationLimits"},
    {"Azimuth band (FROM:TO, clockwise):", "off, e.g. 350:10", "azimuthLimits"},
    {"Hold time (s):", "", "alarmHold"},
    {"Hysteresis (degrees):", "", "hysteresis"},
    {"No readings after (s, 0: off):", "", "noReadingsAfter"},
}};

} // namespace

MonitoringDialog::MonitoringDialog(const MonitoringSettings &settings, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("monitoringDialog"));
    setWindowTitle(QStringLiteral("Monitoring"));
    const MonitoringForm::Texts texts = MonitoringForm::texts(settings);
    auto *form = new QFormLayout;
    for (int i = 0; i < MonitoringForm::FieldCount; ++i) {
        const FieldText &t = FieldTexts[std::size_t(i)];
        auto *edit = new QLineEdit(texts.fields[std::size_t(i)]);
        edit->setObjectName(QLatin1StringView(t.name));
        edit->setPlaceholderText(QLatin1StringView(t.placeholder));
        auto *error = new QLabel;
        error->setObjectName(QLatin1StringView(t.name) + QStringLiteral("Error"));
        error->setStyleSheet(QStringLiteral("color: #c00000"));
        auto *row = new QHBoxLayout;
        row->addWidget(edit);
        row->addWidget(error, 1);
        form->addRow(QLatin1StringView(t.label), row);
        edits_[std::size_t(i)] = edit;
        errors_[std::size_t(i)] = error;
        connect(edit, &QLineEdit::textEdited, this, [this] { recheck(); });
    }
    command_ = new QLineEdit(texts.alarmCommand);
    command_->setObjectName(QStringLiteral("alarmCommand"));
    command_->setPlaceholderText(QStringLiteral("none; a program run for each event"));
    form->addRow(QStringLiteral("Alarm command:"), command_);
    resume_ = new QCheckBox(QStringLiteral("Open a lost port again by itself"));
    resume_->setObjectName(QStringLiteral("resume"));
    resume_->setChecked(texts.resume);
    form->addRow(QString(), resume_);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &MonitoringDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &MonitoringDialog::reject);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    recheck();
}

bool MonitoringDialog::recheck()
{
    MonitoringForm::Texts texts;
    for (std::size_t i = 0; i < edits_.size(); ++i)
        texts.fields[i] = edits_[i]->text();
    texts.alarmCommand = command_ ? command_->text() : QString();
    texts.resume = !resume_ || resume_->isChecked();
    checked_ = MonitoringForm::check(texts);
    for (std::size_t i = 0; i < errors_.size(); ++i)
        errors_[i]->setText(checked_.errors[i]);
    return checked_.ok();
}

void MonitoringDialog::accept()
{
    if (recheck())
        QDialog::accept();
}
