#include "RecordJson.h"

#include <cmath>

JsonObjectReader::JsonObjectReader(const QJsonObject& object, QString recordName)
    : m_object(object), m_recordName(std::move(recordName))
{
}

void JsonObjectReader::fail(QLatin1StringView key, const QString& problem)
{
    if (ok())
        m_error =
            JsonDecodeError{m_recordName + QStringLiteral(": \"") + key + QStringLiteral("\" ") + problem};
}

QJsonValue JsonObjectReader::member(QLatin1StringView key, bool required)
{
    if (!ok())
        return {};
    const QJsonValue v = m_object.value(key);
    if (required && (v.isUndefined() || v.isNull()))
        fail(key, QStringLiteral("is missing"));
    return v;
}

QString JsonObjectReader::string(QLatin1StringView key)
{
    const QJsonValue v = member(key, true);
    if (!ok())
        return {};
    if (!v.isString())
        fail(key, QStringLiteral("is not a string"));
    return v.toString();
}

std::optional<QString> JsonObjectReader::optionalString(QLatin1StringView key)
{
    const QJsonValue v = member(key, false);
    if (!ok() || v.isUndefined() || v.isNull())
        return std::nullopt;
    if (!v.isString()) {
        fail(key, QStringLiteral("is not a string"));
        return std::nullopt;
    }
    return v.toString();
}

bool JsonObjectReader::boolean(QLatin1StringView key)
{
    const QJsonValue v = member(key, true);
    if (!ok())
        return false;
    if (!v.isBool())
        fail(key, QStringLiteral("is not a boolean"));
    return v.toBool();
}

static bool isInteger(const QJsonValue& v)
{
    if (!v.isDouble())
        return false;
    const double d = v.toDouble();
    // 2^63 is the first double outside qint64.
    return std::isfinite(d) && std::trunc(d) == d && d >= -9223372036854775808.0 && d < 9223372036854775808.0;
}

qint64 JsonObjectReader::integer(QLatin1StringView key)
{
    const QJsonValue v = member(key, true);
    if (!ok())
        return 0;
    if (!isInteger(v)) {
        fail(key, QStringLiteral("is not an integer"));
        return 0;
    }
    return v.toInteger();
}

std::optional<qint64> JsonObjectReader::optionalInteger(QLatin1StringView key)
{
    const QJsonValue v = member(key, false);
    if (!ok() || v.isUndefined() || v.isNull())
        return std::nullopt;
    if (!isInteger(v)) {
        fail(key, QStringLiteral("is not an integer"));
        return std::nullopt;
    }
    return v.toInteger();
}

double JsonObjectReader::number(QLatin1StringView key)
{
    const QJsonValue v = member(key, true);
    if (!ok())
        return 0;
    if (!v.isDouble())
        fail(key, QStringLiteral("is not a number"));
    return v.toDouble();
}

std::optional<double> JsonObjectReader::optionalNumber(QLatin1StringView key)
{
    const QJsonValue v = member(key, false);
    if (!ok() || v.isUndefined() || v.isNull())
        return std::nullopt;
    if (!v.isDouble()) {
        fail(key, QStringLiteral("is not a number"));
        return std::nullopt;
    }
    return v.toDouble();
}

QList<QString> JsonObjectReader::stringList(QLatin1StringView key)
{
    QList<QString> out;
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
        if (!element.isString()) {
            fail(key, QStringLiteral("holds an element that is not a string"));
            return {};
        }
        out.append(element.toString());
    }
    return out;
}

void insertOptional(QJsonObject& object, QLatin1StringView key, const std::optional<QString>& value)
{
    if (value)
        object.insert(key, *value);
}

void insertOptional(QJsonObject& object, QLatin1StringView key, const std::optional<qint64>& value)
{
    if (value)
        object.insert(key, *value);
}

void insertOptional(QJsonObject& object, QLatin1StringView key, const std::optional<double>& value)
{
    if (value)
        object.insert(key, *value);
}

QJsonArray toJsonArray(const QList<QString>& values)
{
    QJsonArray array;
    for (const QString& v : values)
        array.append(v);
    return array;
}
