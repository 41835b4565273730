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
        return QStringLiteral("The literature service returned an unexpected response: ") +
               m_message.value_or(QString());
    case Kind::transport:
        return QStringLiteral("The literature request failed: ") + m_message.value_or(QString());
    case Kind::missingCredential:
        return QStringLiteral("Enter a VORN API key in Settings before searching.");
    case Kind::invalidEndpoint:
        return QStringLiteral("The literature service endpoint is invalid.");
    case Kind::cancelled:
        return QStringLiteral("The literature request was cancelled.");
    case Kind::keyStoreFailure:
        return m_message.value_or(QString());
    }
    Q_UNREACHABLE();
    return {};
}

QString friendlyMessage(const LiteratureError& error)
{
    if (error.kind() != LiteratureError::Kind::requestFailed)
        return error.errorDescription();
    const std::optional<QString>& serverMessage = error.message();
    switch (error.statusCode()) {
    case 401:
    case 403:
        return QStringLiteral("VORN rejected this API key. Replace it with an active vorn_ key in Settings.");
    case 422:
        if (serverMessage)
            return QStringLiteral("VORN rejected the selected sentence: ") + *serverMessage;
        return QStringLiteral("VORN rejected the selected sentence.");
    case 429: {
        const QString declined =
            QStringLiteral("VORN declined this request because usage or rate limits were reached.");
        if (serverMessage)
            return declined + u' ' + *serverMessage;
        return declined + QStringLiteral(" Check the account before retrying.");
    }
    case 502:
    case 503:
        return QStringLiteral(
            "The VORN citation service is temporarily unavailable. Try once more in a moment.");
    case 504:
        return QStringLiteral("The VORN citation search exceeded its server timeout. Try once more.");
    default:
        return error.errorDescription();
    }
}
