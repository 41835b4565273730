#include "CertificateFile.h"

#include <QFile>

namespace CertificateFile {

namespace {
constexpr qint64 maximumFileBytes = 1 << 20;
} // namespace

std::expected<QList<QSslCertificate>, QString> read(const QString& file)
{
    QFile pem(file);
    if (!pem.open(QIODevice::ReadOnly))
        return std::unexpected(QStringLiteral("Cannot read the certificate file ") + file + u'.');
    const QList<QSslCertificate> certificates =
        QSslCertificate::fromData(pem.read(maximumFileBytes), QSsl::Pem);
    if (certificates.isEmpty())
        return std::unexpected(QStringLiteral("No PEM certificate in ") + file + u'.');
    return certificates;
}

} // namespace CertificateFile
