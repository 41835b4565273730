#pragma once

#include "literature/LiteratureError.h"
#include "literature/LiteratureRecords.h"

#include <QByteArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QString>

#include <expected>
#include <initializer_list>
#include <optional>

// Reads a cite response into a LiteratureResult. Lenient about spelling (alternative
// member names, positional reference entries, numbers as strings) and strict about
// meaning (the status must agree with the references).
namespace VORNResponseParser {

inline constexpr qsizetype maximumExaminedEntries = 500;
inline constexpr qint64 maximumCitationCount = 10'000'000;

// The result, or malformedResponse with the reason the body was refused.
[[nodiscard]] std::expected<LiteratureResult, LiteratureError> parse(const QByteArray& body,
                                                                     const LiteratureQueryOptions& options);

// The reading helpers behind parse, exposed for tests.

// One "references" entry (an object or a positional array), or absent when unusable.
std::optional<LiteratureReference> normalizeReference(const QJsonValue& entry);
// One "evidence" entry (a string or an object with "quote"), or absent when unusable.
std::optional<LiteratureEvidence> normalizeEvidence(const QJsonValue& entry);
// The first of the named members whose text is not empty; empty when none is.
QString firstString(const QJsonObject& object, std::initializer_list<QLatin1StringView> names);
// A string, cleaned, or a number as decimal text; empty for every other value.
QString string(const QJsonValue& value);
// The non-empty texts of an array's elements; empty for anything but an array.
QList<QString> stringArray(const QJsonValue& value);
// A whole number from 0 to 10,000,000, given as a number or a string.
std::optional<qint64> integer(const QJsonValue& value);
// A finite number, given as a number or as a string holding exactly a number.
std::optional<double> doubleValue(const QJsonValue& value);
// The canonical PMID of the first PubMed page link inside text.
std::optional<QString> pmidFromLink(const QString& text);

} // namespace VORNResponseParser
