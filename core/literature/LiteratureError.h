#pragma once

#include <QString>

#include <optional>

// The failures of the literature layer, each with a fixed user-facing description.
class LiteratureError final
{
public:
    enum class Kind
    {
        invalidInput,
        requestFailed,
        malformedResponse,
        transport,
        missingCredential,
        invalidEndpoint,
        cancelled,
        keyStoreFailure
    };

    static LiteratureError invalidInput(QString message)
    {
        return {Kind::invalidInput, 0, std::move(message)};
    }
    static LiteratureError requestFailed(int statusCode, std::optional<QString> message = std::nullopt)
    {
        return {Kind::requestFailed, statusCode, std::move(message)};
    }
    static LiteratureError malformedResponse(QString detail)
    {
        return {Kind::malformedResponse, 0, std::move(detail)};
    }
    static LiteratureError transport(QString detail) { return {Kind::transport, 0, std::move(detail)}; }
    static LiteratureError missingCredential() { return {Kind::missingCredential, 0, std::nullopt}; }
    static LiteratureError invalidEndpoint() { return {Kind::invalidEndpoint, 0, std::nullopt}; }
    static LiteratureError cancelled() { return {Kind::cancelled, 0, std::nullopt}; }
    // The key store failed while a request asked it for the key; message is the
    // store's own sentence, shown as it is.
    static LiteratureError keyStoreFailure(QString message)
    {
        return {Kind::keyStoreFailure, 0, std::move(message)};
    }

    [[nodiscard]] Kind kind() const { return m_kind; }
    // The HTTP status of requestFailed; 0 for every other case.
    [[nodiscard]] int statusCode() const { return m_statusCode; }
    // requestFailed: the server's message, if any. invalidInput: the message;
    // malformedResponse and transport: the detail; keyStoreFailure: the store's sentence.
    // Absent for the other cases.
    [[nodiscard]] const std::optional<QString>& message() const { return m_message; }

    [[nodiscard]] QString errorDescription() const;

    friend bool operator==(const LiteratureError&, const LiteratureError&) = default;

private:
    LiteratureError(Kind kind, int statusCode, std::optional<QString> message)
        : m_kind(kind), m_statusCode(statusCode), m_message(std::move(message))
    {
    }

    Kind m_kind;
    int m_statusCode;
    std::optional<QString> m_message;
};

// The sentence shown for a failed query: the service's answers in the words of this
// application (a rejected key, a rejected sentence, rate limits, an unavailable or slow
// service), else the error's own description.
QString friendlyMessage(const LiteratureError& error);
