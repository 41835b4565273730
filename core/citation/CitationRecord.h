#pragma once

#include "AuthorName.h"
#include "PageRange.h"
#include "pubmed/ArticleMetadata.h"

#include <QList>
#include <QString>
#include <QUrl>

#include <optional>

struct LiteratureReference;

// The normalised record that every citation style and export renders: one
// reference of the citation service merged with its PubMed record, where PubMed
// wins and the service fills the gaps. Texts are white-space collapsed; empty
// means unknown.
struct CitationRecord
{
    // What pages holds.
    enum class Locator
    {
        pages, // a page or a page range
        articleNumber, // an electronic article number such as e0123456
        identifier, // a non-page identifier such as arXiv:2101.00001
    };

    QList<AuthorName> authors;
    // Never empty: CitationFormatter::untitledPlaceholder when there is no title.
    QString title;
    // Qualifier stripped and journal-cased ("Lancet (London, England)" → "Lancet").
    QString journal;
    QString journalAbbreviation;
    // Four digits, or empty.
    QString year;
    // Month and day as delivered ("Mar", "03", "Spring"; "05").
    QString month;
    QString day;
    QString volume;
    QString issue;
    std::optional<PageRange> pages;
    // Starts with "10.", or empty.
    QString doi;
    // Canonical PMID, or empty.
    QString pmid;
    std::optional<QUrl> pubmedURL;
    // The service's own link of the reference, when it is http(s).
    std::optional<QUrl> fallbackURL;
    Locator locator = Locator::pages;
    ArticleKind kind = ArticleKind::journalArticle;
    bool isRetracted = false;
    bool isPreprint = false;
    QString bookTitle;
    QList<AuthorName> editors;
    QString publisher;
    QString publisherLocation;
    std::optional<QUrl> bookshelfURL;
    // Contribution (last update) date of a book chapter.
    std::optional<ArticleDate> updated;

    CitationRecord() = default;
    // Builds the record from the reference and its optional PubMed record (article).
    explicit CitationRecord(const LiteratureReference& reference);

    // "pp. 123–129" (abbreviated: "pp. 123–29"), "p. 5", "p. e0123456", or an
    // identifier as it stands; absent without pages.
    [[nodiscard]] std::optional<QString> labelledPages(bool abbreviated) const;
    // The DOI resolver link with the DOI percent-encoded as a path.
    [[nodiscard]] std::optional<QUrl> doiURL() const;
    // The best link: DOI, else bookshelf page, else PubMed page, else the service's link.
    [[nodiscard]] std::optional<QUrl> locatorURL() const;
    // "12(3)", "12", or "(3)" without a volume.
    [[nodiscard]] QString volumeWithIssue() const;
    // The day without leading zeros when it is a whole number ("05" → "5"), else as is.
    [[nodiscard]] QString dayNumber() const;
    // "2020 Mar 7" from the update date; absent without an update year.
    [[nodiscard]] std::optional<QString> updatedText() const;

    friend bool operator==(const CitationRecord&, const CitationRecord&) = default;
};
