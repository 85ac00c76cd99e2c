#pragma once

#include "app/MonitoringForm.h"

#include <QDialog>
#include <array>

class QCheckBox;
class QLabel;
class QLineEdit;

// "Monitoring...": the limits, the alarm timing, the watchdog, the alarm command and resuming.
// OK keeps the settings only when every field is right; a wrong one says why beside it.
class MonitoringDialog final : public QDialog
{
    Q_OBJECT

public:
    MonitoringDialog(const MonitoringSettings &settings, QWidget *parent = nullptr);

    // The settings the fields hold; valid after accept().
    const MonitoringSettings &settings() const { return checked_.settings; }
    QLineEdit *field(MonitoringForm::Field field) const { return edits_[field]; }
    QLabel *error(MonitoringForm::Field field) const { return errors_[field]; }

    void accept() override;

private:
    // Shows each field's fault; true when there is none.
    bool recheck();

    std::array<QLineEdit *, MonitoringForm::FieldCount> edits_{};
    std::array<QLabel *, MonitoringForm::FieldCount> errors_{};
    QLineEdit *command_ = nullptr;
    QCheckBox *resume_ = nullptr;
    MonitoringForm::Checked checked_;
};
