// Every field of a PubMed record reaches the citation styles and the BibTeX and RIS
// exports. Whatever the fields hold, a BibTeX entry must keep its braces balanced and
// its one-field-per-line shape, and a RIS record must keep one tag per line.
#include "citation/CitationExport.h"
#include "citation/CitationStyles.h"
#include "literature/LiteratureRecords.h"

#include <cstddef>
#include <cstdint>

namespace {

void check(bool condition)
{
    if (!condition)
        __builtin_trap();
}

std::optional<QString> field(const QStringList& pieces, qsizetype index)
{
    return index < pieces.size() ? std::optional<QString>(pieces.at(index)) : std::nullopt;
}

// The input split at "|": flags, then the record's fields in a fixed order, then
// authors and editors as last-name/fore-name pairs.
LiteratureReference referenceFrom(const QString& text)
{
    const QStringList p = text.split(u'|');
    const QString flags = p.value(0);
    ArticleMetadata a;
    a.kind = flags.contains(u'c') ? ArticleKind::bookChapter : ArticleKind::journalArticle;
    if (flags.contains(u'r'))
        a.publicationTypes.append(QStringLiteral("Retracted Publication"));
    if (flags.contains(u'p'))
        a.publicationTypes.append(QStringLiteral("Preprint"));
    a.pmid = p.value(1);
    a.title = field(p, 2);
    a.journalTitle = field(p, 3);
    a.journalAbbreviation = field(p, 4);
    a.year = field(p, 5);
    a.month = field(p, 6);
    a.day = field(p, 7);
    a.volume = field(p, 8);
    a.issue = field(p, 9);
    a.pages = field(p, 10);
    a.articleNumber = field(p, 11);
    a.doi = field(p, 12);
    a.bookTitle = field(p, 13);
    a.publisher = field(p, 14);
    a.publisherLocation = field(p, 15);
    a.bookshelfID = field(p, 16);
    for (qsizetype i = 17; i + 1 < p.size(); i += 2) {
        ArticleAuthor person;
        if (p.at(i).startsWith(u'*'))
            person.collectiveName = p.at(i).mid(1);
        else
            person.lastName = p.at(i);
        person.foreName = p.at(i + 1);
        (i % 4 == 1 ? a.authors : a.editors).append(person);
    }
    LiteratureReference r;
    r.pmid = a.pmid;
    r.title = a.title.value_or(QString());
    r.url = QUrl(p.value(16));
    r.article = a;
    return r;
}

// Readers differ: BibTeX itself counts every brace, others skip a brace after a
// backslash. The entry must be balanced for both, closing only at its end.
void checkBraces(const QString& entry, bool backslashEscapes)
{
    const qsizetype opening = entry.indexOf(u'{');
    int depth = 0;
    for (qsizetype i = 0; i < entry.size(); ++i) {
        const QChar c = entry.at(i);
        if (backslashEscapes && c == u'\\') {
            ++i;
            continue;
        }
        depth += c == u'{' ? 1 : c == u'}' ? -1 : 0;
        check(depth >= 0 && (depth > 0 || i < opening || i == entry.size() - 1));
        // Line breaks only between fields, at the entry's own level.
        check(c != u'\n' || depth == 1);
        check(c != u'\r');
    }
    check(depth == 0);
}

void checkBibTeX(const QString& entry)
{
    check(entry.startsWith(QStringLiteral("@article{")) ||
          entry.startsWith(QStringLiteral("@incollection{")));
    check(entry.endsWith(QStringLiteral("\n}")));
    checkBraces(entry, false);
    checkBraces(entry, true);
}

void checkRIS(const QString& record)
{
    check(record.startsWith(QStringLiteral("TY  - ")) && record.endsWith(QStringLiteral("\r\nER  - \r\n")));
    QStringList lines = record.split(QStringLiteral("\r\n"));
    check(lines.takeLast().isEmpty());
    for (const QString& line : lines) {
        check(line.size() >= 6 && line.at(0).isUpper() && line.at(1).isLetterOrNumber() &&
              line.mid(2, 4) == QStringLiteral("  - "));
        check(!line.contains(u'\n') && !line.contains(u'\r'));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const LiteratureReference reference =
        referenceFrom(QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size)));
    checkBibTeX(CitationFormatter::bibtex(reference));
    checkRIS(CitationFormatter::ris(reference));
    for (const CitationFormatter::Style style : CitationFormatter::allStyles) {
        const QString text = CitationFormatter::citation(reference, style, QDate(2024, 3, 5));
        check(!text.isEmpty() && !text.contains(u'\n'));
    }
    return 0;
}
