#include "VORNRequest.h"

#include "literature/LiteratureInputValidator.h"

#include <QJsonDocument>

#include <algorithm>

QJsonObject VORNRequest::toJson() const
{
    return QJsonObject{{QLatin1StringView("text"), text},
                       {QLatin1StringView("max_references"), maxReferences}};
}

QByteArray VORNRequest::toBody() const
{
    return QJsonDocument(toJson()).toJson(QJsonDocument::Compact);
}

JsonResult<VORNRequest> VORNRequest::fromJson(const QJsonObject& object)
{
    JsonObjectReader r(object, QStringLiteral("VORNRequest"));
    VORNRequest v{r.string(QLatin1StringView("text")), r.integer(QLatin1StringView("max_references"))};
    if (!r.ok())
        return std::unexpected(r.error());
    return v;
}

namespace VORNRequestBuilder {

std::expected<VORNRequest, LiteratureError> make(const QString& selectedText,
                                                 const LiteratureQueryOptions& options)
{
    auto sentence = LiteratureInputValidator::normalize(selectedText);
    if (!sentence)
        return std::unexpected(sentence.error());
    return VORNRequest{std::move(*sentence),
                       std::clamp(options.maxArticles, minimumReferences, maximumReferences)};
}

} // namespace VORNRequestBuilder
