#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>

#include <expected>
#include <functional>
#include <optional>

// Records in their serialized (JSON) form: the decoding error, the reader that decodes
// one object field by field, and the helpers that encode optional members and lists.

// The failure of reading a record from its serialized (JSON) form.
struct JsonDecodeError
{
    QString message;

    [[nodiscard]] QString errorDescription() const { return message; }
    friend bool operator==(const JsonDecodeError&, const JsonDecodeError&) = default;
};

template <typename T>
using JsonResult = std::expected<T, JsonDecodeError>;

// Reads the members of one JSON object. Every accessor returns a harmless default
// after a failure and keeps the first failure, so a decoder reads all its fields
// and checks ok() once at the end.
class JsonObjectReader final
{
public:
    JsonObjectReader(const QJsonObject& object, QString recordName);

    QString string(QLatin1StringView key);
    std::optional<QString> optionalString(QLatin1StringView key);
    bool boolean(QLatin1StringView key);
    qint64 integer(QLatin1StringView key);
    std::optional<qint64> optionalInteger(QLatin1StringView key);
    double number(QLatin1StringView key);
    std::optional<double> optionalNumber(QLatin1StringView key);
    QList<QString> stringList(QLatin1StringView key);

    template <typename T>
    T record(QLatin1StringView key, const std::function<JsonResult<T>(const QJsonObject&)>& decode)
    {
        const QJsonValue v = member(key, true);
        if (!ok())
            return T{};
        return take(key, v, decode).value_or(T{});
    }

    template <typename T>
    std::optional<T> optionalRecord(QLatin1StringView key,
                                    const std::function<JsonResult<T>(const QJsonObject&)>& decode)
    {
        const QJsonValue v = member(key, false);
        if (!ok() || v.isUndefined() || v.isNull())
            return std::nullopt;
        return take(key, v, decode);
    }

    template <typename T>
    QList<T> recordList(QLatin1StringView key, const std::function<JsonResult<T>(const QJsonObject&)>& decode)
    {
        QList<T> out;
        const QJsonValue v = member(key, true);
        if (!ok())
            return out;
        if (!v.isArray()) {
            fail(key, QStringLiteral("is not an array"));
            return out;
        }
        const QJsonArray array = v.toArray();
        out.reserve(array.size());
        for (const QJsonValue& element : array) {
            std::optional<T> item = take(key, element, decode);
            if (!item)
                return {};
            out.append(std::move(*item));
        }
        return out;
    }

    [[nodiscard]] bool ok() const { return !m_error.has_value(); }
    [[nodiscard]] JsonDecodeError error() const { return m_error.value_or(JsonDecodeError{}); }
    void fail(QLatin1StringView key, const QString& problem);

private:
    QJsonValue member(QLatin1StringView key, bool required);

    template <typename T>
    std::optional<T> take(QLatin1StringView key, const QJsonValue& v,
                          const std::function<JsonResult<T>(const QJsonObject&)>& decode)
    {
        if (!v.isObject()) {
            fail(key, QStringLiteral("is not an object"));
            return std::nullopt;
        }
        JsonResult<T> decoded = decode(v.toObject());
        if (!decoded) {
            if (ok())
                m_error = decoded.error();
            return std::nullopt;
        }
        return std::move(*decoded);
    }

    QJsonObject m_object;
    QString m_recordName;
    std::optional<JsonDecodeError> m_error;
};

// Writers for optional members: absent values are left out.
void insertOptional(QJsonObject& object, QLatin1StringView key, const std::optional<QString>& value);
void insertOptional(QJsonObject& object, QLatin1StringView key, const std::optional<qint64>& value);
void insertOptional(QJsonObject& object, QLatin1StringView key, const std::optional<double>& value);
QJsonArray toJsonArray(const QList<QString>& values);

template <typename T, typename F>
QJsonArray toJsonArray(const QList<T>& values, F&& encode)
{
    QJsonArray array;
    for (const T& v : values)
        array.append(encode(v));
    return array;
}
