#include "LiteratureRecords.h"

#include "Hashing.h"

#include <algorithm>

namespace {

constexpr QLatin1StringView operator""_k(const char* s, size_t n)
{
    return QLatin1StringView(s, qsizetype(n));
}

} // namespace

// ScreenRect

QJsonObject ScreenRect::toJson() const
{
    return QJsonObject{{"x"_k, x}, {"y"_k, y}, {"width"_k, width}, {"height"_k, height}};
}

JsonResult<ScreenRect> ScreenRect::fromJson(const QJsonObject& object)
{
    JsonObjectReader r(object, QStringLiteral("ScreenRect"));
    ScreenRect v{r.number("x"_k), r.number("y"_k), r.number("width"_k), r.number("height"_k)};
    if (!r.ok())
        return std::unexpected(r.error());
    return v;
}

size_t qHash(const ScreenRect& v, size_t seed)
{
    return HashCombiner(seed)(v.x)(v.y)(v.width)(v.height).value();
}

// SelectionCaptureMethod

QString rawValue(SelectionCaptureMethod method)
{
    switch (method) {
    case SelectionCaptureMethod::accessibility:
        return QStringLiteral("accessibility");
    case SelectionCaptureMethod::clipboardCompatibility:
        return QStringLiteral("clipboard_compatibility");
    case SelectionCaptureMethod::service:
        return QStringLiteral("service");
    }
    Q_UNREACHABLE();
    return {};
}

std::optional<SelectionCaptureMethod> selectionCaptureMethodFromRawValue(const QString& raw)
{
    for (auto m : {SelectionCaptureMethod::accessibility, SelectionCaptureMethod::clipboardCompatibility,
                   SelectionCaptureMethod::service}) {
        if (rawValue(m) == raw)
            return m;
    }
    return std::nullopt;
}

// SelectionContext

QJsonObject SelectionContext::toJson() const
{
    QJsonObject o;
    o.insert("selectedText"_k, selectedText);
    insertOptional(o, "sourceApplicationName"_k, sourceApplicationName);
    insertOptional(o, "sourceBundleIdentifier"_k, sourceBundleIdentifier);
    if (bounds)
        o.insert("bounds"_k, bounds->toJson());
    o.insert("isEditable"_k, isEditable);
    o.insert("captureMethod"_k, rawValue(captureMethod));
    o.insert("capturedAt"_k, capturedAt.toUTC().toString(Qt::ISODateWithMs));
    return o;
}

JsonResult<SelectionContext> SelectionContext::fromJson(const QJsonObject& object)
{
    JsonObjectReader r(object, QStringLiteral("SelectionContext"));
    SelectionContext v;
    v.selectedText = r.string("selectedText"_k);
    v.sourceApplicationName = r.optionalString("sourceApplicationName"_k);
    v.sourceBundleIdentifier = r.optionalString("sourceBundleIdentifier"_k);
    v.bounds = r.optionalRecord<ScreenRect>("bounds"_k, &ScreenRect::fromJson);
    v.isEditable = r.boolean("isEditable"_k);
    const QString method = r.string("captureMethod"_k);
    if (r.ok()) {
        if (const auto m = selectionCaptureMethodFromRawValue(method))
            v.captureMethod = *m;
        else
            r.fail("captureMethod"_k, QStringLiteral("has an unknown value"));
    }
    const QString capturedAt = r.string("capturedAt"_k);
    if (r.ok()) {
        v.capturedAt = QDateTime::fromString(capturedAt, Qt::ISODateWithMs);
        if (!v.capturedAt.isValid())
            r.fail("capturedAt"_k, QStringLiteral("is not an ISO 8601 timestamp"));
        v.capturedAt = v.capturedAt.toUTC();
    }
    if (!r.ok())
        return std::unexpected(r.error());
    return v;
}

size_t qHash(const SelectionContext& v, size_t seed)
{
    return HashCombiner(seed)(v.selectedText)(v.sourceApplicationName)(v.sourceBundleIdentifier)(v.bounds)(
               v.isEditable)(static_cast<int>(v.captureMethod))(v.capturedAt)
        .value();
}

// LiteratureQueryOptions

LiteratureQueryOptions LiteratureQueryOptions::normalized() const
{
    return LiteratureQueryOptions{std::clamp<qint64>(maxArticles, 1, 25), includeEvidence,
                                  std::clamp<qint64>(cacheDurationMinutes, 0, 60)};
}

QJsonObject LiteratureQueryOptions::toJson() const
{
    return QJsonObject{{"maxArticles"_k, maxArticles},
                       {"includeEvidence"_k, includeEvidence},
                       {"cacheDurationMinutes"_k, cacheDurationMinutes}};
}

JsonResult<LiteratureQueryOptions> LiteratureQueryOptions::fromJson(const QJsonObject& object)
{
    JsonObjectReader r(object, QStringLiteral("LiteratureQueryOptions"));
    LiteratureQueryOptions v{r.integer("maxArticles"_k), r.boolean("includeEvidence"_k),
                             r.integer("cacheDurationMinutes"_k)};
    if (!r.ok())
        return std::unexpected(r.error());
    return v;
}

size_t qHash(const LiteratureQueryOptions& v, size_t seed)
{
    return HashCombiner(seed)(v.maxArticles)(v.includeEvidence)(v.cacheDurationMinutes).value();
}

// LiteratureQuery

QJsonObject LiteratureQuery::toJson() const
{
    return QJsonObject{{"text"_k, text}, {"options"_k, options.toJson()}};
}

JsonResult<LiteratureQuery> LiteratureQuery::fromJson(const QJsonObject& object)
{
    JsonObjectReader r(object, QStringLiteral("LiteratureQuery"));
    LiteratureQuery v;
    v.text = r.string("text"_k);
    v.options = r.record<LiteratureQueryOptions>("options"_k, &LiteratureQueryOptions::fromJson);
    if (!r.ok())
        return std::unexpected(r.error());
    return v;
}

size_t qHash(const LiteratureQuery& v, size_t seed)
{
    return HashCombiner(seed)(v.text)(v.options).value();
}

// LiteratureEvidence

QJsonObject LiteratureEvidence::toJson() const
{
    QJsonObject o{{"quote"_k, quote}};
    insertOptional(o, "context_type"_k, contextType);
    return o;
}

JsonResult<LiteratureEvidence> LiteratureEvidence::fromJson(const QJsonObject& object)
{
    JsonObjectReader r(object, QStringLiteral("LiteratureEvidence"));
    LiteratureEvidence v;
    v.quote = r.string("quote"_k);
    v.contextType = r.optionalString("context_type"_k);
    if (!r.ok())
        return std::unexpected(r.error());
    return v;
}

size_t qHash(const LiteratureEvidence& v, size_t seed)
{
    return HashCombiner(seed)(v.quote)(v.contextType).value();
}

// LiteratureUsage

QJsonObject LiteratureUsage::toJson() const
{
    QJsonObject o;
    insertOptional(o, "prompt_tokens"_k, promptTokens);
    insertOptional(o, "completion_tokens"_k, completionTokens);
    insertOptional(o, "total_tokens"_k, totalTokens);
    return o;
}

JsonResult<LiteratureUsage> LiteratureUsage::fromJson(const QJsonObject& object)
{
    JsonObjectReader r(object, QStringLiteral("LiteratureUsage"));
    LiteratureUsage v;
    v.promptTokens = r.optionalInteger("prompt_tokens"_k);
    v.completionTokens = r.optionalInteger("completion_tokens"_k);
    v.totalTokens = r.optionalInteger("total_tokens"_k);
    if (!r.ok())
        return std::unexpected(r.error());
    return v;
}

size_t qHash(const LiteratureUsage& v, size_t seed)
{
    return HashCombiner(seed)(v.promptTokens)(v.completionTokens)(v.totalTokens).value();
}

// LiteratureReference

QJsonObject LiteratureReference::toJson() const
{
    QJsonObject o;
    o.insert("pmid"_k, pmid);
    o.insert("title"_k, title);
    if (url)
        o.insert("url"_k, url->toString(QUrl::FullyEncoded));
    o.insert("authors"_k, toJsonArray(authors));
    insertOptional(o, "journal"_k, journal);
    insertOptional(o, "date"_k, date);
    insertOptional(o, "citation_count"_k, citationCount);
    insertOptional(o, "why"_k, relevanceReason);
    o.insert("evidence"_k, toJsonArray(evidence, [](const LiteratureEvidence& e) { return e.toJson(); }));
    if (article)
        o.insert("article"_k, article->toJson());
    return o;
}

JsonResult<LiteratureReference> LiteratureReference::fromJson(const QJsonObject& object)
{
    JsonObjectReader r(object, QStringLiteral("LiteratureReference"));
    LiteratureReference v;
    v.pmid = r.string("pmid"_k);
    v.title = r.string("title"_k);
    if (const std::optional<QString> u = r.optionalString("url"_k)) {
        QUrl parsed(*u, QUrl::StrictMode);
        if (!parsed.isValid() || parsed.isRelative())
            r.fail("url"_k, QStringLiteral("is not an absolute URL"));
        else
            v.url = parsed;
    }
    v.authors = r.stringList("authors"_k);
    v.journal = r.optionalString("journal"_k);
    v.date = r.optionalString("date"_k);
    v.citationCount = r.optionalInteger("citation_count"_k);
    v.relevanceReason = r.optionalString("why"_k);
    v.evidence = r.recordList<LiteratureEvidence>("evidence"_k, &LiteratureEvidence::fromJson);
    v.article = r.optionalRecord<ArticleMetadata>("article"_k, &ArticleMetadata::fromJson);
    if (!r.ok())
        return std::unexpected(r.error());
    return v;
}

size_t qHash(const LiteratureReference& v, size_t seed)
{
    return HashCombiner(seed)(v.pmid)(v.title)(v.url)(v.authors)(v.journal)(v.date)(v.citationCount)(
               v.relevanceReason)(v.evidence)(v.article)
        .value();
}

// LiteratureResult

QJsonObject LiteratureResult::toJson() const
{
    QJsonObject o;
    o.insert("answer"_k, answer);
    o.insert("references"_k,
             toJsonArray(references, [](const LiteratureReference& ref) { return ref.toJson(); }));
    if (usage)
        o.insert("usage"_k, usage->toJson());
    o.insert("isCached"_k, isCached);
    insertOptional(o, "sessionID"_k, sessionID);
    insertOptional(o, "invocationID"_k, invocationID);
    insertOptional(o, "executionTime"_k, executionTime);
    return o;
}

JsonResult<LiteratureResult> LiteratureResult::fromJson(const QJsonObject& object)
{
    JsonObjectReader r(object, QStringLiteral("LiteratureResult"));
    LiteratureResult v;
    v.answer = r.string("answer"_k);
    v.references = r.recordList<LiteratureReference>("references"_k, &LiteratureReference::fromJson);
    v.usage = r.optionalRecord<LiteratureUsage>("usage"_k, &LiteratureUsage::fromJson);
    v.isCached = r.boolean("isCached"_k);
    v.sessionID = r.optionalString("sessionID"_k);
    v.invocationID = r.optionalString("invocationID"_k);
    v.executionTime = r.optionalNumber("executionTime"_k);
    if (!r.ok())
        return std::unexpected(r.error());
    return v;
}

size_t qHash(const LiteratureResult& v, size_t seed)
{
    return HashCombiner(seed)(v.answer)(v.references)(v.usage)(v.isCached)(v.sessionID)(v.invocationID)(
               v.executionTime)
        .value();
}
