#pragma once

#include "publish/MqttSubscriber.h"

#include <QDialog>

class QLabel;
class QLineEdit;

// "Watch Remote Mast...": the broker's address and the topic prefix of the mast to watch. OK
// keeps them only when both are right; what is wrong shows under them.
class RemoteMastDialog final : public QDialog
{
    Q_OBJECT

public:
    RemoteMastDialog(const QString &broker, const QString &prefix, QWidget *parent = nullptr);

    QString brokerText() const;
    QString prefixText() const;
    // Valid after accept(); the login is not in it.
    const SubscriberSettings &settings() const { return settings_; }

    void accept() override;

private:
    bool recheck();

    QLineEdit *broker_ = nullptr;
    QLineEdit *prefix_ = nullptr;
    QLabel *error_ = nullptr;
    SubscriberSettings settings_;
};
