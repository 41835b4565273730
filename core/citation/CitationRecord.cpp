#include "CitationRecord.h"

#include "CitationFormatter.h"
#include "CitationText.h"
#include "literature/LiteratureRecords.h"
#include "pubmed/PubMed.h"

#include <array>

namespace {

using CitationText::collapse;

constexpr QChar enDash = u'\u2013';

constexpr auto monthAbbreviations = std::to_array<QStringView>(
    {u"Jan", u"Feb", u"Mar", u"Apr", u"May", u"Jun", u"Jul", u"Aug", u"Sep", u"Oct", u"Nov", u"Dec"});
static_assert(monthAbbreviations.size() == 12);

QString collapsed(const std::optional<QString>& text)
{
    return text ? collapse(*text) : QString();
}

QList<AuthorName> names(const QList<ArticleAuthor>& authors)
{
    QList<AuthorName> out;
    for (const ArticleAuthor& a : authors) {
        if (std::optional<AuthorName> n = AuthorName::fromArticle(a))
            out.append(std::move(*n));
    }
    return out;
}

bool isArxivIdentifier(const QString& start)
{
    return start.startsWith(QStringLiteral("arxiv:"), Qt::CaseInsensitive);
}

// "e0123456": an electronic article number given in place of pages.
bool isArticleNumber(const QString& start)
{
    return start.size() >= 2 && (start.front() == u'e' || start.front() == u'E') &&
           CitationText::isAsciiDigits(QStringView(start).sliced(1));
}

} // namespace

CitationRecord::CitationRecord(const LiteratureReference& reference)
{
    const std::optional<ArticleMetadata>& article = reference.article;
    const auto field = [&article](std::optional<QString> ArticleMetadata::*member) {
        return article ? collapsed((*article).*member) : QString();
    };

    if (article)
        authors = names(article->authors);
    if (authors.isEmpty()) {
        for (const QString& text : reference.authors) {
            if (std::optional<AuthorName> n = AuthorName::parse(text))
                authors.append(std::move(*n));
        }
    }

    title = CitationFormatter::cleanTitle(article && article->title ? *article->title : reference.title);
    if (title.isEmpty())
        title = CitationFormatter::untitledPlaceholder;

    const std::optional<QString> journalText =
        article && article->journalTitle ? article->journalTitle : reference.journal;
    journal = CitationFormatter::journalCase(
        CitationFormatter::stripJournalQualifier(journalText.value_or(QString())));

    journalAbbreviation = field(&ArticleMetadata::journalAbbreviation);
    month = field(&ArticleMetadata::month);
    day = field(&ArticleMetadata::day);
    volume = field(&ArticleMetadata::volume);
    issue = field(&ArticleMetadata::issue);
    bookTitle = field(&ArticleMetadata::bookTitle);
    publisher = field(&ArticleMetadata::publisher);
    publisherLocation = field(&ArticleMetadata::publisherLocation);

    year = CitationFormatter::year(article ? article->year : std::nullopt);
    if (year.isEmpty())
        year = CitationFormatter::year(reference.date);

    if (article && article->pages) {
        pages = PageRange::fromMedline(*article->pages);
        if (pages && !pages->end) {
            if (isArxivIdentifier(pages->start))
                locator = Locator::identifier;
            else if (isArticleNumber(pages->start))
                locator = Locator::articleNumber;
        }
    }
    if (!pages && article && article->articleNumber) {
        pages = PageRange::fromMedline(*article->articleNumber);
        if (pages && !pages->end)
            locator = isArxivIdentifier(pages->start) ? Locator::identifier : Locator::articleNumber;
    }

    doi = CitationFormatter::normalizedDOI(article ? article->doi : std::nullopt);
    pmid = PubMed::canonicalPMID(reference.pmid).value_or(QString());
    pubmedURL = PubMed::url(reference.pmid);
    fallbackURL = CitationFormatter::webURL(reference.url);

    if (article) {
        kind = article->kind;
        isRetracted = article->isRetracted();
        isPreprint = article->isPreprint();
        editors = names(article->editors);
        bookshelfURL = article->bookshelfURL();
        updated = article->contributionDate;
    }
}

std::optional<QString> CitationRecord::labelledPages(bool abbreviated) const
{
    if (!pages)
        return std::nullopt;
    if (locator == Locator::identifier)
        return pages->start;
    if (locator == Locator::pages && pages->end) {
        return QStringLiteral("pp. ") +
               (abbreviated ? pages->abbreviated() : pages->start + enDash + *pages->end);
    }
    return QStringLiteral("p. ") + pages->start;
}

std::optional<QUrl> CitationRecord::doiURL() const
{
    if (doi.isEmpty())
        return std::nullopt;
    // The characters a URL path allows unencoded; everything else is percent-encoded.
    const QByteArray encoded = doi.toUtf8().toPercentEncoding(QByteArrayLiteral("!$&'()*+,-./:;=@_~"));
    QUrl url(CitationFormatter::doiResolverBaseURL + QString::fromLatin1(encoded), QUrl::StrictMode);
    if (!url.isValid())
        return std::nullopt;
    return url;
}

std::optional<QUrl> CitationRecord::locatorURL() const
{
    for (const std::optional<QUrl>& candidate : {doiURL(), bookshelfURL, pubmedURL, fallbackURL}) {
        if (candidate)
            return candidate;
    }
    return std::nullopt;
}

QString CitationRecord::volumeWithIssue() const
{
    return issue.isEmpty() ? volume : volume + u'(' + issue + u')';
}

QString CitationRecord::dayNumber() const
{
    const std::optional<qint64> n = CitationText::wholeNumber(day);
    return n ? QString::number(*n) : day;
}

std::optional<QString> CitationRecord::updatedText() const
{
    if (!updated)
        return std::nullopt;
    const QString updatedYear = collapsed(updated->year);
    if (updatedYear.isEmpty())
        return std::nullopt;
    QList<QString> parts{updatedYear};
    if (updated->month) {
        const QString monthText = collapse(*updated->month);
        const std::optional<int> m = CitationFormatter::monthNumber(monthText);
        parts.append(m ? monthAbbreviations.at(size_t(*m - 1)).toString() : monthText);
    }
    if (updated->day) {
        if (const std::optional<qint64> d = CitationText::wholeNumber(collapse(*updated->day)))
            parts.append(QString::number(*d));
    }
    parts.removeAll(QString());
    return parts.join(u' ');
}
