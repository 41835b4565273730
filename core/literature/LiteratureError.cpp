#include "LiteratureError.h"

QString LiteratureError::errorDescription() const
{
    switch (m_kind) {
    case Kind::invalidInput:
        return m_message.value_or(QString());
    case Kind::requestFailed:
        if (m_message)
            return QStringLiteral("The literature service returned HTTP ") + QString::number(m_statusCode) +
                   QStringLiteral(": ") + *m_message;
        return QStringLiteral("The literature service returned HTTP ") + QString::number(m_statusCode) + u'.';
    case Kind::malformedResponse:
        return QStringLiteral("The literature service returned an unexpected response: ") + m_message.value_or(QString());
    case Kind::transport:
        return QStringLiteral("The literature request failed: ") + m_message.value_or(QString());
    case Kind::missingCredential:
        return QStringLiteral("Enter a VORN API key in Settings before searching.");
    case Kind::invalidEndpoint:
        return QStringLiteral("The literature service endpoint is invalid.");
    case Kind::cancelled:
        return QStringLiteral("The literature request was cancelled.");
    }
    Q_UNREACHABLE();
    return {};
}
