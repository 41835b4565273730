#include "VORNAPIKeyStoring.h"

QString VORNAPIKeyStoreError::errorDescription() const
{
    switch (m_kind) {
    case Kind::keychainFailure:
        if (m_message && !m_message->isEmpty())
            return QStringLiteral("Keyring error: ") + *m_message;
        return QStringLiteral("Keyring returned error ") + QString::number(m_status) + u'.';
    case Kind::invalidKey:
        return QStringLiteral(
            "Enter a VORN API key beginning with vorn_ (letters, digits, - and _ only, on one line).");
    case Kind::invalidStoredValue:
        return QStringLiteral(
            "The saved VORN API key could not be read. Save a new vorn_ key in Settings to replace it.");
    }
    Q_UNREACHABLE();
    return {};
}

QString maskedStoredAPIKeyText()
{
    return QStringLiteral("vorn_") + QString(16, QChar(0x2022)) + QStringLiteral(" (saved)");
}
