#pragma once

#include <QDir>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QString>

#include <expected>

// A throwaway certificate authority and a server certificate it signed for 127.0.0.1
// and localhost, made with the openssl command-line tool (two EC P-256 keys, valid for
// two days). Clients trust the authority through their session configuration; nothing
// switches verification off.
class TestCertificateAuthority final
{
public:
    // Generates a new authority; the error names the step that failed. With keepIn, the
    // keys and certificates live in that folder: made there on the first call, read back
    // by later ones (a service that restarts keeps its clients' trust).
    static std::expected<TestCertificateAuthority, QString> create(const QString& keepIn = {});
    // One authority for the whole process, made on first use; aborts when openssl fails.
    static const TestCertificateAuthority& shared();

    [[nodiscard]] const QSslCertificate& caCertificate() const { return m_ca; }
    [[nodiscard]] const QSslCertificate& serverCertificate() const { return m_serverCertificate; }
    [[nodiscard]] const QSslKey& serverKey() const { return m_serverKey; }
    // A TLS server configuration presenting the server certificate (TLS 1.2 or newer).
    [[nodiscard]] QSslConfiguration serverConfiguration() const;

private:
    TestCertificateAuthority() = default;
    static std::expected<TestCertificateAuthority, QString> load(const QDir& dir);

    QSslCertificate m_ca;
    QSslCertificate m_serverCertificate;
    QSslKey m_serverKey;
};
