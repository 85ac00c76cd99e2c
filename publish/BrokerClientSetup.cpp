#include "publish/BrokerClientSetup.h"

#include <QFile>

#include <mosquitto.h>

#include <mutex>

namespace
{

constexpr const char *SystemCertificateFolder = "/etc/ssl/certs";

} // namespace

namespace BrokerClientSetup
{

void initLibrary()
{
    static std::once_flag once;
    std::call_once(once, [] { mosquitto_lib_init(); });
}

QString apply(mosquitto *client, const BrokerConnection &connection)
{
    const BrokerLogin &login = connection.login;
    const QString &caFile = connection.caFile;
    if (!login.user.isEmpty()) {
        const QByteArray user = login.user.toUtf8();
        const QByteArray password = login.password.toUtf8();
        mosquitto_username_pw_set(client, user.constData(),
                                  password.isEmpty() ? nullptr : password.constData());
    }
    if (!connection.broker.tls)
        return {};
    // The folder is named as well: libmosquitto forgets the option when it reconnects, and
    // then refuses to try at all.
    const QByteArray file = QFile::encodeName(caFile);
    if (file.isEmpty())
        mosquitto_int_option(client, MOSQ_OPT_TLS_USE_OS_CERTS, 1);
    const int rc = mosquitto_tls_set(client, file.isEmpty() ? nullptr : file.constData(),
                                     file.isEmpty() ? SystemCertificateFolder : nullptr, nullptr,
                                     nullptr, nullptr);
    if (rc == MOSQ_ERR_SUCCESS)
        return {};
    return QStringLiteral("cannot use the certificate authorities in %1: %2")
        .arg(file.isEmpty() ? QString::fromLatin1(SystemCertificateFolder) : caFile,
             QString::fromLocal8Bit(mosquitto_strerror(rc)));
}

} // namespace BrokerClientSetup
