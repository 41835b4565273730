#pragma once

#include <QList>
#include <QSslCertificate>
#include <QString>

#include <expected>

namespace CertificateFile {

// The PEM certificates of file, trusted beside the system's roots to reach a local
// service (the demo, a test); never a way to switch verification off. At most 1 MiB of
// the file is read.
[[nodiscard]] std::expected<QList<QSslCertificate>, QString> read(const QString& file);

} // namespace CertificateFile
