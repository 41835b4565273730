#include "TestCertificateAuthority.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

namespace {

std::expected<void, QString> runOpenssl(const QString& directory, const QStringList& arguments)
{
    QProcess process;
    process.setWorkingDirectory(directory);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QStringLiteral("openssl"), arguments);
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        return std::unexpected(QStringLiteral("openssl ") + arguments.first() + QStringLiteral(" failed: ") +
                               QString::fromLocal8Bit(process.readAll()) + process.errorString());
    }
    return {};
}

std::expected<QByteArray, QString> readFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::unexpected(QStringLiteral("cannot read ") + path);
    return file.readAll();
}

QStringList requestArguments(const QString& keyFile, const QString& certificateFile,
                             const QString& configFile)
{
    return {QStringLiteral("req"),
            QStringLiteral("-x509"),
            QStringLiteral("-newkey"),
            QStringLiteral("ec"),
            QStringLiteral("-pkeyopt"),
            QStringLiteral("ec_paramgen_curve:prime256v1"),
            QStringLiteral("-nodes"),
            QStringLiteral("-days"),
            QStringLiteral("2"),
            QStringLiteral("-keyout"),
            keyFile,
            QStringLiteral("-out"),
            certificateFile,
            QStringLiteral("-config"),
            configFile};
}

} // namespace

std::expected<TestCertificateAuthority, QString> TestCertificateAuthority::create(const QString& keepIn)
{
    QTemporaryDir temporary;
    if (keepIn.isEmpty() && !temporary.isValid())
        return std::unexpected(QStringLiteral("cannot create a temporary folder"));
    if (!keepIn.isEmpty() && !QDir().mkpath(keepIn))
        return std::unexpected(QStringLiteral("cannot create ") + keepIn);
    const QDir dir(keepIn.isEmpty() ? temporary.path() : keepIn);
    if (QFile::exists(dir.filePath(QStringLiteral("server.key"))))
        return load(dir);
    const auto writeConfig = [&](const QString& name, const QByteArray& commonName) {
        QFile file(dir.filePath(name));
        if (!file.open(QIODevice::WriteOnly))
            return false;
        file.write("[req]\ndistinguished_name = dn\nprompt = no\n[dn]\nCN = " + commonName + "\n");
        return true;
    };
    if (!writeConfig(QStringLiteral("ca.cnf"), "VORN Cite Test CA") ||
        !writeConfig(QStringLiteral("server.cnf"), "localhost"))
        return std::unexpected(QStringLiteral("cannot write the openssl configuration"));

    QStringList ca =
        requestArguments(QStringLiteral("ca.key"), QStringLiteral("ca.pem"), QStringLiteral("ca.cnf"));
    ca << QStringLiteral("-addext") << QStringLiteral("basicConstraints=critical,CA:TRUE")
       << QStringLiteral("-addext") << QStringLiteral("keyUsage=critical,keyCertSign,cRLSign");
    if (auto ok = runOpenssl(dir.path(), ca); !ok)
        return std::unexpected(ok.error());

    QStringList server = requestArguments(QStringLiteral("server.key"), QStringLiteral("server.pem"),
                                          QStringLiteral("server.cnf"));
    server << QStringLiteral("-CA") << QStringLiteral("ca.pem") << QStringLiteral("-CAkey")
           << QStringLiteral("ca.key") << QStringLiteral("-addext")
           << QStringLiteral("subjectAltName=IP:127.0.0.1,DNS:localhost") << QStringLiteral("-addext")
           << QStringLiteral("basicConstraints=critical,CA:FALSE") << QStringLiteral("-addext")
           << QStringLiteral("extendedKeyUsage=serverAuth");
    if (auto ok = runOpenssl(dir.path(), server); !ok)
        return std::unexpected(ok.error());

    return load(dir);
}

std::expected<TestCertificateAuthority, QString> TestCertificateAuthority::load(const QDir& dir)
{
    const auto caPem = readFile(dir.filePath(QStringLiteral("ca.pem")));
    const auto serverPem = readFile(dir.filePath(QStringLiteral("server.pem")));
    const auto keyPem = readFile(dir.filePath(QStringLiteral("server.key")));
    if (!caPem || !serverPem || !keyPem)
        return std::unexpected(QStringLiteral("openssl wrote no certificate"));

    TestCertificateAuthority authority;
    authority.m_ca = QSslCertificate(*caPem, QSsl::Pem);
    authority.m_serverCertificate = QSslCertificate(*serverPem, QSsl::Pem);
    authority.m_serverKey = QSslKey(*keyPem, QSsl::Ec, QSsl::Pem);
    if (authority.m_ca.isNull() || authority.m_serverCertificate.isNull() || authority.m_serverKey.isNull())
        return std::unexpected(QStringLiteral("the generated certificates do not load"));
    return authority;
}

const TestCertificateAuthority& TestCertificateAuthority::shared()
{
    static const TestCertificateAuthority authority = [] {
        auto created = create();
        if (!created) {
            std::fprintf(stderr, "test certificate authority: %s\n", qPrintable(created.error()));
            std::abort();
        }
        return *created;
    }();
    return authority;
}

QSslConfiguration TestCertificateAuthority::serverConfiguration() const
{
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    configuration.setProtocol(QSsl::TlsV1_2OrLater);
    configuration.setLocalCertificateChain({m_serverCertificate, m_ca});
    configuration.setPrivateKey(m_serverKey);
    configuration.setPeerVerifyMode(QSslSocket::VerifyNone);
    return configuration;
}
