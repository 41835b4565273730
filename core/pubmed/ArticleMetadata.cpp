#include "ArticleMetadata.h"

#include "PubMed.h"
#include "literature/Hashing.h"

QString rawValue(ArticleKind kind)
{
    switch (kind) {
    case ArticleKind::journalArticle:
        return QStringLiteral("journalArticle");
    case ArticleKind::bookChapter:
        return QStringLiteral("bookChapter");
    }
    Q_UNREACHABLE();
    return {};
}

std::optional<ArticleKind> articleKindFromRawValue(const QString& raw)
{
    if (raw == u"journalArticle")
        return ArticleKind::journalArticle;
    if (raw == u"bookChapter")
        return ArticleKind::bookChapter;
    return std::nullopt;
}

// ArticleAuthor

QJsonObject ArticleAuthor::toJson() const
{
    QJsonObject o;
    insertOptional(o, QLatin1StringView("lastName"), lastName);
    insertOptional(o, QLatin1StringView("foreName"), foreName);
    insertOptional(o, QLatin1StringView("initials"), initials);
    insertOptional(o, QLatin1StringView("suffix"), suffix);
    insertOptional(o, QLatin1StringView("collectiveName"), collectiveName);
    return o;
}

JsonResult<ArticleAuthor> ArticleAuthor::fromJson(const QJsonObject& object)
{
    JsonObjectReader r(object, QStringLiteral("ArticleAuthor"));
    ArticleAuthor a;
    a.lastName = r.optionalString(QLatin1StringView("lastName"));
    a.foreName = r.optionalString(QLatin1StringView("foreName"));
    a.initials = r.optionalString(QLatin1StringView("initials"));
    a.suffix = r.optionalString(QLatin1StringView("suffix"));
    a.collectiveName = r.optionalString(QLatin1StringView("collectiveName"));
    if (!r.ok())
        return std::unexpected(r.error());
    return a;
}

size_t qHash(const ArticleAuthor& v, size_t seed)
{
    return HashCombiner(seed)(v.lastName)(v.foreName)(v.initials)(v.suffix)(v.collectiveName).value();
}

// ArticleDate

QJsonObject ArticleDate::toJson() const
{
    QJsonObject o;
    insertOptional(o, QLatin1StringView("year"), year);
    insertOptional(o, QLatin1StringView("month"), month);
    insertOptional(o, QLatin1StringView("day"), day);
    return o;
}

JsonResult<ArticleDate> ArticleDate::fromJson(const QJsonObject& object)
{
    JsonObjectReader r(object, QStringLiteral("ArticleDate"));
    ArticleDate d;
    d.year = r.optionalString(QLatin1StringView("year"));
    d.month = r.optionalString(QLatin1StringView("month"));
    d.day = r.optionalString(QLatin1StringView("day"));
    if (!r.ok())
        return std::unexpected(r.error());
    return d;
}

size_t qHash(const ArticleDate& v, size_t seed)
{
    return HashCombiner(seed)(v.year)(v.month)(v.day).value();
}

// ArticleMetadata

bool ArticleMetadata::isRetracted() const
{
    return publicationTypes.contains(QStringLiteral("Retracted Publication"));
}

bool ArticleMetadata::isPreprint() const
{
    return publicationTypes.contains(QStringLiteral("Preprint"));
}

std::optional<QUrl> ArticleMetadata::bookshelfURL() const
{
    if (!bookshelfID || bookshelfID->isEmpty())
        return std::nullopt;
    for (const char32_t c : bookshelfID->toUcs4()) {
        if (!QChar::isLetterOrNumber(c))
            return std::nullopt;
    }
    return QUrl(PubMed::bookshelfBaseURL + *bookshelfID + u'/');
}

QJsonObject ArticleMetadata::toJson() const
{
    const auto authorJson = [](const ArticleAuthor& a) { return a.toJson(); };
    QJsonObject o;
    o.insert(QLatin1StringView("pmid"), pmid);
    o.insert(QLatin1StringView("kind"), rawValue(kind));
    insertOptional(o, QLatin1StringView("title"), title);
    o.insert(QLatin1StringView("authors"), toJsonArray(authors, authorJson));
    insertOptional(o, QLatin1StringView("journalTitle"), journalTitle);
    insertOptional(o, QLatin1StringView("journalAbbreviation"), journalAbbreviation);
    insertOptional(o, QLatin1StringView("year"), year);
    insertOptional(o, QLatin1StringView("month"), month);
    insertOptional(o, QLatin1StringView("day"), day);
    insertOptional(o, QLatin1StringView("volume"), volume);
    insertOptional(o, QLatin1StringView("issue"), issue);
    insertOptional(o, QLatin1StringView("pages"), pages);
    insertOptional(o, QLatin1StringView("articleNumber"), articleNumber);
    insertOptional(o, QLatin1StringView("doi"), doi);
    o.insert(QLatin1StringView("publicationTypes"), toJsonArray(publicationTypes));
    insertOptional(o, QLatin1StringView("bookTitle"), bookTitle);
    o.insert(QLatin1StringView("editors"), toJsonArray(editors, authorJson));
    insertOptional(o, QLatin1StringView("publisher"), publisher);
    insertOptional(o, QLatin1StringView("publisherLocation"), publisherLocation);
    insertOptional(o, QLatin1StringView("bookshelfID"), bookshelfID);
    if (contributionDate)
        o.insert(QLatin1StringView("contributionDate"), contributionDate->toJson());
    return o;
}

JsonResult<ArticleMetadata> ArticleMetadata::fromJson(const QJsonObject& object)
{
    JsonObjectReader r(object, QStringLiteral("ArticleMetadata"));
    ArticleMetadata m;
    m.pmid = r.string(QLatin1StringView("pmid"));
    const QString kind = r.string(QLatin1StringView("kind"));
    if (r.ok()) {
        if (const auto k = articleKindFromRawValue(kind))
            m.kind = *k;
        else
            r.fail(QLatin1StringView("kind"), QStringLiteral("has an unknown value"));
    }
    m.title = r.optionalString(QLatin1StringView("title"));
    m.authors = r.recordList<ArticleAuthor>(QLatin1StringView("authors"), &ArticleAuthor::fromJson);
    m.journalTitle = r.optionalString(QLatin1StringView("journalTitle"));
    m.journalAbbreviation = r.optionalString(QLatin1StringView("journalAbbreviation"));
    m.year = r.optionalString(QLatin1StringView("year"));
    m.month = r.optionalString(QLatin1StringView("month"));
    m.day = r.optionalString(QLatin1StringView("day"));
    m.volume = r.optionalString(QLatin1StringView("volume"));
    m.issue = r.optionalString(QLatin1StringView("issue"));
    m.pages = r.optionalString(QLatin1StringView("pages"));
    m.articleNumber = r.optionalString(QLatin1StringView("articleNumber"));
    m.doi = r.optionalString(QLatin1StringView("doi"));
    m.publicationTypes = r.stringList(QLatin1StringView("publicationTypes"));
    m.bookTitle = r.optionalString(QLatin1StringView("bookTitle"));
    m.editors = r.recordList<ArticleAuthor>(QLatin1StringView("editors"), &ArticleAuthor::fromJson);
    m.publisher = r.optionalString(QLatin1StringView("publisher"));
    m.publisherLocation = r.optionalString(QLatin1StringView("publisherLocation"));
    m.bookshelfID = r.optionalString(QLatin1StringView("bookshelfID"));
    m.contributionDate =
        r.optionalRecord<ArticleDate>(QLatin1StringView("contributionDate"), &ArticleDate::fromJson);
    if (!r.ok())
        return std::unexpected(r.error());
    return m;
}

size_t qHash(const ArticleMetadata& v, size_t seed)
{
    return HashCombiner(seed)(v.pmid)(static_cast<int>(v.kind))(v.title)(v.authors)(v.journalTitle)(
               v.journalAbbreviation)(v.year)(v.month)(v.day)(v.volume)(v.issue)(v.pages)(v.articleNumber)(
               v.doi)(v.publicationTypes)(v.bookTitle)(v.editors)(v.publisher)(v.publisherLocation)(
               v.bookshelfID)(v.contributionDate)
        .value();
}
