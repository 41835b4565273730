#include "VORNResponseParser.h"

#include "LiteratureNetworking.h"
#include "pubmed/PubMed.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QLocale>
#include <QSet>

#include <algorithm>
#include <cmath>

namespace VORNResponseParser {

namespace {

using namespace Qt::Literals::StringLiterals;

std::unexpected<LiteratureError> refuse(const QString& detail)
{
    return std::unexpected(LiteratureError::malformedResponse(detail));
}

// The PubMed host as it appears in page links, e.g. "pubmed.ncbi.nlm.nih.gov".
const QString& pubMedHost()
{
    static const QString host = QUrl(PubMed::webBaseURL).host();
    return host;
}

QString numberText(double d)
{
    if (!std::isfinite(d))
        return {};
    if (d == std::trunc(d))
        return QString::number(d + 0.0, 'f', 0); // "+ 0.0" turns -0 into 0
    return QString::number(d, 'g', QLocale::FloatingPointShortest);
}

// A floating-point literal with nothing around it; Qt's own parser would skip surrounding
// white space.
std::optional<double> parseNumber(QStringView text)
{
    if (text.isEmpty() || text.front().isSpace() || text.back().isSpace())
        return std::nullopt;
    bool ok = false;
    const double d = text.toDouble(&ok);
    if (!ok)
        return std::nullopt;
    return d;
}

std::optional<QString> emptyAsAbsent(QString text)
{
    if (text.isEmpty())
        return std::nullopt;
    return text;
}

LiteratureReference makeReference(const QString& pmid, QString title)
{
    LiteratureReference reference;
    reference.pmid = pmid;
    reference.title = std::move(title);
    reference.url = PubMed::url(pmid);
    return reference;
}

std::optional<LiteratureReference> positionalReference(const QJsonArray& entry)
{
    const auto at = [&](qsizetype i) {
        return i < entry.size() ? entry.at(i) : QJsonValue(QJsonValue::Undefined);
    };
    QString title = string(at(0));
    if (title.isEmpty())
        return std::nullopt;
    const std::optional<QString> pmid = pmidFromLink(string(at(1)));
    if (!pmid)
        return std::nullopt;
    LiteratureReference reference = makeReference(*pmid, std::move(title));
    reference.citationCount = integer(at(2));
    reference.date = emptyAsAbsent(string(at(3)));
    reference.journal = emptyAsAbsent(string(at(4)));
    reference.authors = stringArray(at(5));
    return reference;
}

std::optional<LiteratureReference> objectReference(const QJsonObject& entry)
{
    std::optional<QString> pmid = PubMed::canonicalPMID(firstString(entry, {"pmid"_L1, "pubmedid"_L1}));
    if (!pmid)
        pmid = pmidFromLink(firstString(entry, {"url"_L1}));
    if (!pmid)
        return std::nullopt;
    QString title = firstString(entry, {"title"_L1});
    if (title.isEmpty())
        return std::nullopt;
    LiteratureReference reference = makeReference(*pmid, std::move(title));
    const QJsonValue evidence = entry.value("evidence"_L1);
    if (evidence.isArray()) {
        for (const QJsonValue& item : evidence.toArray()) {
            if (std::optional<LiteratureEvidence> e = normalizeEvidence(item))
                reference.evidence.append(std::move(*e));
        }
    }
    reference.authors = stringArray(entry.value("authors"_L1));
    reference.journal = emptyAsAbsent(firstString(entry, {"journal"_L1}));
    reference.date = emptyAsAbsent(firstString(entry, {"date"_L1, "year"_L1}));
    reference.relevanceReason = emptyAsAbsent(firstString(entry, {"why"_L1}));
    reference.citationCount = integer(entry.value("n_citation"_L1));
    if (!reference.citationCount)
        reference.citationCount = integer(entry.value("citation_count"_L1));
    return reference;
}

} // namespace

QString string(const QJsonValue& value)
{
    if (value.isString())
        return LiteratureNetworking::clean(value.toString());
    if (value.isDouble())
        return LiteratureNetworking::clean(numberText(value.toDouble()));
    return {};
}

QString firstString(const QJsonObject& object, std::initializer_list<QLatin1StringView> names)
{
    for (const QLatin1StringView name : names) {
        const auto it = object.constFind(name);
        if (it == object.constEnd())
            continue;
        QString text = string(it.value());
        if (!text.isEmpty())
            return text;
    }
    return {};
}

QList<QString> stringArray(const QJsonValue& value)
{
    QList<QString> out;
    if (!value.isArray())
        return out;
    const QJsonArray array = value.toArray();
    for (const QJsonValue& element : array) {
        QString text = string(element);
        if (!text.isEmpty())
            out.append(std::move(text));
    }
    return out;
}

std::optional<qint64> integer(const QJsonValue& value)
{
    std::optional<double> d;
    if (value.isDouble()) {
        d = value.toDouble();
    } else if (value.isString()) {
        const QString raw = value.toString();
        QStringView text = raw;
        while (!text.isEmpty() && (text.front() == u' ' || text.front() == u'\t'))
            text = text.mid(1);
        while (!text.isEmpty() && (text.back() == u' ' || text.back() == u'\t'))
            text.chop(1);
        d = parseNumber(text);
    }
    if (!d || !std::isfinite(*d) || *d < 0 || *d > double(maximumCitationCount) || *d != std::round(*d))
        return std::nullopt;
    return qint64(*d);
}

std::optional<double> doubleValue(const QJsonValue& value)
{
    std::optional<double> d;
    if (value.isDouble())
        d = value.toDouble();
    else if (value.isString())
        d = parseNumber(value.toString());
    // NaN and infinities ("nan", "inf" in a string) are no duration at all.
    if (!d || !std::isfinite(*d))
        return std::nullopt;
    return d;
}

std::optional<QString> pmidFromLink(const QString& text)
{
    const QString& host = pubMedHost();
    qsizetype from = 0;
    while (true) {
        const qsizetype at = text.indexOf(host, from, Qt::CaseInsensitive);
        if (at < 0)
            return std::nullopt;
        const qsizetype slash = at + host.size();
        qsizetype end = slash + 1;
        while (end < text.size() && text.at(end) >= u'0' && text.at(end) <= u'9')
            ++end;
        if (slash < text.size() && text.at(slash) == u'/' && end > slash + 1)
            return PubMed::canonicalPMID(text.mid(slash + 1, end - slash - 1));
        from = at + 1;
    }
}

std::optional<LiteratureEvidence> normalizeEvidence(const QJsonValue& entry)
{
    if (entry.isString()) {
        QString quote = LiteratureNetworking::clean(entry.toString());
        if (quote.isEmpty())
            return std::nullopt;
        return LiteratureEvidence{std::move(quote), std::nullopt};
    }
    if (!entry.isObject())
        return std::nullopt;
    const QJsonObject object = entry.toObject();
    QString quote = firstString(object, {"quote"_L1});
    if (quote.isEmpty())
        return std::nullopt;
    return LiteratureEvidence{std::move(quote),
                              emptyAsAbsent(firstString(object, {"context_type"_L1, "contextType"_L1}))};
}

std::optional<LiteratureReference> normalizeReference(const QJsonValue& entry)
{
    if (entry.isArray())
        return positionalReference(entry.toArray());
    if (entry.isObject())
        return objectReference(entry.toObject());
    return std::nullopt;
}

std::expected<LiteratureResult, LiteratureError> parse(const QByteArray& body,
                                                       const LiteratureQueryOptions& options)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError || document.isNull())
        return refuse(QStringLiteral("The body is not valid JSON."));
    if (!document.isObject())
        return refuse(QStringLiteral("Expected a JSON object."));
    const QJsonObject root = document.object();

    const QJsonValue status = root.value("status"_L1);
    const bool ok = status.isString() && status.toString() == "ok"_L1;
    const bool noResults = status.isString() && status.toString() == "no_results"_L1;
    if (!ok && !noResults)
        return refuse(QStringLiteral("Expected status to be ok or no_results."));

    LiteratureResult result;
    result.answer = noResults ? QStringLiteral("VORN found no supporting references for this sentence.")
                              : firstString(root, {"answer"_L1, "response"_L1, "content"_L1});

    const qsizetype limit = qsizetype(std::clamp<qint64>(options.maxArticles, 1, 25));
    const QJsonValue references = root.value("references"_L1);
    if (references.isArray()) {
        const QJsonArray entries = references.toArray();
        QSet<QString> kept;
        const qsizetype examined = std::min(entries.size(), maximumExaminedEntries);
        for (qsizetype i = 0; i < examined && result.references.size() < limit; ++i) {
            std::optional<LiteratureReference> reference = normalizeReference(entries.at(i));
            if (!reference || kept.contains(reference->pmid))
                continue;
            kept.insert(reference->pmid);
            result.references.append(std::move(*reference));
        }
    }
    if (ok && result.references.isEmpty())
        return refuse(QStringLiteral("VORN returned status ok without usable references."));
    if (noResults && !result.references.isEmpty())
        return refuse(QStringLiteral("VORN returned no_results with references."));

    const QJsonValue diagnostics = root.value("diagnostics"_L1);
    if (diagnostics.isObject()) {
        const QJsonObject d = diagnostics.toObject();
        if (const auto it = d.constFind("elapsed_ms"_L1); it != d.constEnd()) {
            if (const std::optional<double> ms = doubleValue(it.value()))
                result.executionTime = *ms / 1000.0;
        }
    }
    return result;
}

} // namespace VORNResponseParser
