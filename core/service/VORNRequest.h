#pragma once

#include "literature/LiteratureError.h"
#include "literature/LiteratureRecords.h"
#include "literature/RecordJson.h"

#include <QByteArray>
#include <QString>

#include <expected>

// The body of a cite request: {"text": ..., "max_references": ...}.
struct VORNRequest
{
    QString text;
    qint64 maxReferences = 5;

    friend bool operator==(const VORNRequest&, const VORNRequest&) = default;
    [[nodiscard]] QJsonObject toJson() const;
    // The UTF-8 JSON body as sent.
    [[nodiscard]] QByteArray toBody() const;
    [[nodiscard]] static JsonResult<VORNRequest> fromJson(const QJsonObject& object);
};

namespace VORNRequestBuilder {

inline constexpr qint64 minimumReferences = 1;
inline constexpr qint64 maximumReferences = 25;

// The request for a raw selection: the validator's sentence and maxArticles clamped to
// 1...25. Fails with the validator's invalidInput.
[[nodiscard]] std::expected<VORNRequest, LiteratureError> make(const QString& selectedText,
                                                               const LiteratureQueryOptions& options);

} // namespace VORNRequestBuilder
