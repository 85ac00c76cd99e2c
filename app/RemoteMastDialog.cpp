#include "app/RemoteMastDialog.h"

#include "app/RemoteMastAddress.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

RemoteMastDialog::RemoteMastDialog(const QString &broker, const QString &prefix, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("remoteMastDialog"));
    setWindowTitle(QStringLiteral("Watch Remote Mast"));
    broker_ = new QLineEdit(broker);
    broker_->setObjectName(QStringLiteral("broker"));
    broker_->setPlaceholderText(QStringLiteral("mqtt://host[:port] or mqtts://host[:port]"));
    broker_->setMinimumWidth(320);
    prefix_ = new QLineEdit(prefix);
    prefix_->setObjectName(QStringLiteral("topicPrefix"));
    prefix_->setPlaceholderText(QStringLiteral("e.g. orvel/site/mast1"));
    error_ = new QLabel;
    error_->setObjectName(QStringLiteral("error"));
    error_->setStyleSheet(QStringLiteral("color: #c00000"));
    error_->setWordWrap(true);
    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Broker:"), broker_);
    form->addRow(QStringLiteral("Topic prefix:"), prefix_);
    auto *note = new QLabel(QStringLiteral("A user name and password come from ORVEL_MQTT_USER and "
                                           "ORVEL_MQTT_PASSWORD."));
    note->setWordWrap(true);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &RemoteMastDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &RemoteMastDialog::reject);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(note);
    layout->addWidget(error_);
    layout->addWidget(buttons);
    connect(broker_, &QLineEdit::textEdited, this, [this] { error_->clear(); });
    connect(prefix_, &QLineEdit::textEdited, this, [this] { error_->clear(); });
}

QString RemoteMastDialog::brokerText() const
{
    return broker_->text().trimmed();
}

QString RemoteMastDialog::prefixText() const
{
    return prefix_->text().trimmed();
}

bool RemoteMastDialog::recheck()
{
    auto parsed = RemoteMastAddress::parse(brokerText(), prefixText());
    if (const QString *wrong = std::get_if<QString>(&parsed)) {
        // The parsers' messages are written to follow an option's name.
        error_->setText(wrong->left(1).toUpper() + wrong->mid(1) + u'.');
        return false;
    }
    settings_ = std::get<SubscriberSettings>(std::move(parsed));
    error_->clear();
    return true;
}

void RemoteMastDialog::accept()
{
    if (recheck())
        QDialog::accept();
}
