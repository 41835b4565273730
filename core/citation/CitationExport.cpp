#include "CitationExport.h"

#include "AuthorName.h"
#include "CitationFormatter.h"
#include "CitationRecord.h"
#include "CitationText.h"
#include "literature/LiteratureRecords.h"
#include "pubmed/PubMed.h"

using namespace Qt::StringLiterals;

namespace CitationFormatter {

namespace {

struct BibTeXField
{
    QLatin1StringView name;
    QString value;
    // Written without braces (a month macro such as mar).
    bool bare = false;
};

// Whether text holds the word "and" in any case: BibTeX readers split a name list at
// it wherever it stands outside braces.
bool containsAndWord(QStringView text)
{
    qsizetype start = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i < text.size() && !text.at(i).isSpace())
            continue;
        if (text.sliced(start, i - start).compare(u"and", Qt::CaseInsensitive) == 0)
            return true;
        start = i + 1;
    }
    return false;
}

// One part of a personal name, escaped; in braces when it holds a comma or the word
// "and", which would otherwise split it into further parts or further names.
QString bibtexNamePart(const QString& text)
{
    const QString escaped = escapeBibTeX(text);
    if (escaped.contains(u',') || containsAndWord(escaped))
        return u'{' + escaped + u'}';
    return escaped;
}

// "Smith, Jr., John A." (von Last, Jr, First); a group name in braces, so that
// BibTeX neither splits nor inverts it.
QString bibtexName(const AuthorName& name)
{
    if (name.isCorporate)
        return u'{' + escapeBibTeX(name.surname) + u'}';
    QString out = bibtexNamePart(name.surname);
    if (name.suffix)
        out += QStringLiteral(", ") + bibtexNamePart(name.suffixText());
    if (const QString given = name.givenText(true); !given.isEmpty())
        out += QStringLiteral(", ") + bibtexNamePart(given);
    return out;
}

QString bibtexNames(const QList<AuthorName>& names)
{
    QString out;
    for (const AuthorName& name : names) {
        if (!out.isEmpty())
            out += QStringLiteral(" and ");
        out += bibtexName(name);
    }
    return out;
}

// "Smith, John A., Jr."
QString risName(const AuthorName& name)
{
    if (name.isCorporate)
        return name.surname;
    QString out = name.surname;
    if (const QString given = name.givenText(true); !given.isEmpty())
        out += QStringLiteral(", ") + given;
    if (name.suffix)
        out += QStringLiteral(", ") + name.suffixText();
    return out;
}

// The web page of the record: its bookshelf page, PubMed page or the service's link,
// never the DOI link.
std::optional<QUrl> pageURL(const CitationRecord& record)
{
    for (const std::optional<QUrl>& candidate : {record.bookshelfURL, record.pubmedURL, record.fallbackURL}) {
        if (candidate)
            return candidate;
    }
    return std::nullopt;
}

QString linkText(const QUrl& url)
{
    return url.toString(QUrl::FullyEncoded);
}

QString twoDigits(qint64 value)
{
    return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
}

} // namespace

QString escapeBibTeX(const QString& text)
{
    // BibTeX readers count braces whether or not a backslash precedes them, so a brace
    // without a partner would end the field early or swallow the rest of the file:
    // paired braces become \{ and \}, a lone one \textbraceleft{} or \textbraceright{}.
    QList<bool> paired(text.size(), false);
    QList<qsizetype> open;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) == u'{') {
            open.append(i);
        } else if (text.at(i) == u'}' && !open.isEmpty()) {
            paired[open.takeLast()] = true;
            paired[i] = true;
        }
    }

    QString out;
    out.reserve(text.size() + 8);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        switch (c.unicode()) {
        case u'\\':
            out += QStringLiteral("\\textbackslash{}");
            break;
        case u'~':
            out += QStringLiteral("\\textasciitilde{}");
            break;
        case u'^':
            out += QStringLiteral("\\textasciicircum{}");
            break;
        case u'{':
            out += paired.at(i) ? QStringLiteral("\\{") : QStringLiteral("\\textbraceleft{}");
            break;
        case u'}':
            out += paired.at(i) ? QStringLiteral("\\}") : QStringLiteral("\\textbraceright{}");
            break;
        case u'%':
        case u'&':
        case u'_':
        case u'#':
        case u'$':
            out += u'\\';
            out += c;
            break;
        default:
            out += c;
        }
    }
    return out;
}

QString bibtexKey(const LiteratureReference& reference)
{
    if (const std::optional<QString> pmid = PubMed::canonicalPMID(reference.pmid))
        return QStringLiteral("pmid") + *pmid;
    QString kept;
    for (const QChar c : reference.pmid) {
        if ((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9'))
            kept += c;
    }
    return kept.isEmpty() ? QStringLiteral("vorn") : QStringLiteral("vorn-") + kept;
}

QString bibtex(const LiteratureReference& reference)
{
    const CitationRecord record(reference);
    const bool chapter = record.kind == ArticleKind::bookChapter;

    QList<BibTeXField> fields;
    const auto add = [&fields](QLatin1StringView name, QString value, bool bare = false) {
        if (!value.isEmpty())
            fields.append({name, std::move(value), bare});
    };
    add("author"_L1, bibtexNames(record.authors));
    add("title"_L1, u'{' + escapeBibTeX(record.title) + u'}');
    if (chapter) {
        add("booktitle"_L1, escapeBibTeX(record.bookTitle));
        add("editor"_L1, bibtexNames(record.editors));
        add("publisher"_L1, escapeBibTeX(record.publisher));
        add("address"_L1, escapeBibTeX(record.publisherLocation));
    } else {
        add("journal"_L1, escapeBibTeX(record.journal));
    }
    add("year"_L1, record.year);
    if (monthNumber(record.month))
        add("month"_L1, monthAbbreviation(record.month).toLower(), true);
    add("volume"_L1, escapeBibTeX(record.volume));
    add("number"_L1, escapeBibTeX(record.issue));
    if (record.pages) {
        add("pages"_L1,
            escapeBibTeX(record.pages->end ? record.pages->start + QStringLiteral("--") + *record.pages->end
                                           : record.pages->start));
    }
    // Braces would unbalance the field; a backslash before the closing brace would
    // escape it for most readers.
    QString doi = record.doi;
    doi.removeIf([](QChar c) { return c == u'{' || c == u'}' || c == u'\\'; });
    add("doi"_L1, doi);
    add("pmid"_L1, record.pmid);
    if (const std::optional<QUrl> url = pageURL(record)) {
        QString text = linkText(*url);
        text.removeIf([](QChar c) { return c == u'{' || c == u'}' || c.isSpace(); });
        add("url"_L1, text);
    }
    if (record.isRetracted)
        add("note"_L1, QStringLiteral("Retracted publication"));
    else if (record.isPreprint)
        add("note"_L1, QStringLiteral("Preprint"));

    QString out = u'@' + (chapter ? QStringLiteral("incollection") : QStringLiteral("article")) + u'{' +
                  bibtexKey(reference) + QStringLiteral(",\n");
    for (qsizetype i = 0; i < fields.size(); ++i) {
        const BibTeXField& field = fields.at(i);
        if (i > 0)
            out += QStringLiteral(",\n");
        out += QStringLiteral("  ") + field.name + QStringLiteral(" = ");
        out += field.bare ? field.value : u'{' + field.value + u'}';
    }
    out += QStringLiteral("\n}");
    return out;
}

QString ris(const LiteratureReference& reference)
{
    const CitationRecord record(reference);
    const bool chapter = record.kind == ArticleKind::bookChapter;

    QString out;
    const auto line = [&out](QLatin1StringView tag, const QString& value) {
        if (value.isEmpty())
            return;
        out += tag + QStringLiteral("  - ") + value + QStringLiteral("\r\n");
    };
    line("TY"_L1, chapter ? QStringLiteral("CHAP") : QStringLiteral("JOUR"));
    for (const AuthorName& author : record.authors)
        line("AU"_L1, risName(author));
    line("TI"_L1, record.title);
    if (chapter) {
        line("T2"_L1, record.bookTitle);
        for (const AuthorName& editor : record.editors)
            line("A2"_L1, risName(editor));
        line("PB"_L1, record.publisher);
        line("CY"_L1, record.publisherLocation);
    } else {
        line("T2"_L1, record.journal);
        if (record.journalAbbreviation != record.journal)
            line("JO"_L1, record.journalAbbreviation);
    }
    line("VL"_L1, record.volume);
    line("IS"_L1, record.issue);
    if (record.pages) {
        line("SP"_L1, record.pages->start);
        line("EP"_L1, record.pages->end.value_or(QString()));
    }
    if (!record.year.isEmpty()) {
        line("PY"_L1, record.year);
        if (const std::optional<int> month = monthNumber(record.month)) {
            const std::optional<qint64> day = CitationText::wholeNumber(record.day);
            line("DA"_L1,
                 record.year + u'/' + twoDigits(*month) + u'/' + (day ? twoDigits(*day) : QString()) + u'/');
        }
    }
    line("DO"_L1, record.doi);
    if (!record.pmid.isEmpty()) {
        line("AN"_L1, record.pmid);
        line("DB"_L1, QStringLiteral("PubMed"));
    }
    if (const std::optional<QUrl> url = pageURL(record))
        line("UR"_L1, linkText(*url));
    if (record.isRetracted)
        line("N1"_L1, QStringLiteral("Retracted publication"));
    out += QStringLiteral("ER  - \r\n");
    return out;
}

} // namespace CitationFormatter
