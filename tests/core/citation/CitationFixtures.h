#pragma once

#include "citation/FormattedCitation.h"
#include "literature/LiteratureRecords.h"

#include <QDate>
#include <QString>

#include <ostream>

// Records shared by the style and export tests: a journal article (J) and a book
// chapter (B) with every field filled, and helpers to write expected citations.
namespace CitationFixtures {

using namespace Qt::StringLiterals;

inline const QDate accessDate(2024, 3, 5);
inline const QString doiLink = u"https://doi.org/10.1000/182"_s;
inline const QString bookshelfLink = u"https://www.ncbi.nlm.nih.gov/books/NBK1116/"_s;
inline const QString pubmedLinkJ = u"https://pubmed.ncbi.nlm.nih.gov/31234567/"_s;

inline ArticleAuthor person(const QString& last, const QString& fore, const QString& initials)
{
    ArticleAuthor a;
    a.lastName = last;
    a.foreName = fore;
    a.initials = initials;
    return a;
}

inline ArticleAuthor group(const QString& name)
{
    ArticleAuthor a;
    a.collectiveName = name;
    return a;
}

// Record J: a journal article.
inline LiteratureReference journalArticle()
{
    ArticleMetadata a;
    a.pmid = u"31234567"_s;
    a.title = u"Effects of exercise on sleep."_s;
    a.authors = {person(u"Smith"_s, u"John A"_s, u"JA"_s), person(u"Jones"_s, u"Beth"_s, u"B"_s)};
    a.journalTitle = u"journal of sleep research"_s;
    a.journalAbbreviation = u"J Sleep Res"_s;
    a.year = u"2020"_s;
    a.month = u"Mar"_s;
    a.day = u"05"_s;
    a.volume = u"29"_s;
    a.issue = u"2"_s;
    a.pages = u"123-9"_s;
    a.doi = u"10.1000/182"_s;
    a.publicationTypes = {u"Journal Article"_s};

    LiteratureReference r;
    r.pmid = u"31234567"_s;
    r.title = u"Effects of exercise on sleep"_s;
    r.authors = {u"Smith JA"_s, u"Jones B"_s};
    r.journal = u"J Sleep Res"_s;
    r.date = u"2020"_s;
    r.article = a;
    return r;
}

// Record B: a book chapter on the NCBI Bookshelf.
inline LiteratureReference bookChapter()
{
    ArticleMetadata a;
    a.pmid = u"20301428"_s;
    a.kind = ArticleKind::bookChapter;
    a.title = u"Cystic fibrosis"_s;
    a.authors = {person(u"Doe"_s, u"Jane"_s, u"J"_s)};
    a.year = u"2001"_s;
    a.bookTitle = u"Genetic Disorders Handbook"_s;
    a.editors = {person(u"Adam"_s, u"Margaret P"_s, u"MP"_s), person(u"Feldman"_s, u"Jerry"_s, u"J"_s)};
    a.publisher = u"University Press"_s;
    a.publisherLocation = u"Seattle (WA)"_s;
    a.bookshelfID = u"NBK1116"_s;
    a.contributionDate = ArticleDate{u"2020"_s, u"03"_s, u"07"_s};

    LiteratureReference r;
    r.pmid = u"20301428"_s;
    r.title = u"Cystic fibrosis"_s;
    r.article = a;
    return r;
}

// Record J with special characters everywhere a reference manager could trip over
// them: LaTeX's specials in the title and journal, non-ASCII names, a group author,
// a suffix, a particle, a PMID that is not one, and a month that is a season.
inline LiteratureReference specialCharacters()
{
    LiteratureReference r = journalArticle();
    ArticleMetadata& a = *r.article;
    a.title = u"50% & more_data: {braces}, #1 for $5, ~x^2 and C:\\temp"_s;
    a.authors = {person(u"M\u00fcller"_s, u"J\u00fcrgen"_s, u"J"_s), group(u"World Health Organization"_s),
                 person(u"van der Berg"_s, u"Anna"_s, u"A"_s),
                 person(u"\u674e"_s, u"\u5c0f\u9f8d"_s, u"X"_s)};
    ArticleAuthor junior = person(u"Smith"_s, u"John"_s, u"J"_s);
    junior.suffix = u"Jr"_s;
    a.authors.append(junior);
    a.journalTitle = u"Science & Society"_s;
    a.journalAbbreviation = u"Science & Society"_s;
    a.month = u"Spring"_s;
    a.day.reset();
    a.pages = u"e0123456"_s;
    a.doi = u"10.1002/(SICI)1097-4636(199606)31:2<205::AID-JBM7>3.0.CO;2-O"_s;
    r.pmid = u"PMC12345"_s;
    r.url = QUrl(u"https://example.org/paper?id=1&x=%7Bq%7D"_s);
    return r;
}

// The citation service's data alone: no PubMed record, no PMID, no link.
inline LiteratureReference serviceOnly()
{
    LiteratureReference r;
    r.title = u"A study of sleep."_s;
    r.authors = {u"Smith JA"_s, u"Jones B"_s};
    r.journal = u"J Sleep Res"_s;
    r.date = u"2019 May"_s;
    return r;
}

// A retracted preprint with a single page.
inline LiteratureReference retractedPreprint()
{
    LiteratureReference r = journalArticle();
    r.article->publicationTypes = {u"Preprint"_s, u"Retracted Publication"_s};
    r.article->pages = u"5"_s;
    return r;
}

// Braces without partners in the title and journal, and a DOI ending in a backslash.
inline LiteratureReference unbalancedBraces()
{
    LiteratureReference r = journalArticle();
    r.article->title = u"Effects of {x on y} z} and {w"_s;
    r.article->journalTitle = u"Brace } Journal"_s;
    r.article->doi = u"10.1000/182\\"_s;
    return r;
}

// Name parts that a BibTeX reader would split: the word "and" (in any case) inside a
// last or fore name, and a comma inside a fore name.
inline LiteratureReference namesWithSeparators()
{
    LiteratureReference r = journalArticle();
    r.article->authors = {person(u"Doe and Evil"_s, u"John, Jr"_s, u"J"_s),
                          person(u"Roe"_s, u"Jane and Max"_s, u"J"_s),
                          person(u"Poe AND Co"_s, u"Ann"_s, u"A"_s)};
    return r;
}

// A citation written with asterisks around its italic runs: "A *B* C".
inline FormattedCitation marked(const QString& text)
{
    QList<FormattedCitation::Run> runs;
    bool italic = false;
    for (const QString& piece : text.split(u'*')) {
        runs.append({piece, italic});
        italic = !italic;
    }
    return FormattedCitation(runs);
}

// The same notation back, for readable failures.
inline QString toMarked(const FormattedCitation& citation)
{
    QString out;
    for (const FormattedCitation::Run& run : citation.runs())
        out += run.isItalic ? u'*' + run.text + u'*' : run.text;
    return out;
}

} // namespace CitationFixtures

inline void PrintTo(const FormattedCitation& value, std::ostream* os)
{
    *os << '"' << CitationFixtures::toMarked(value).toStdString() << '"';
}
