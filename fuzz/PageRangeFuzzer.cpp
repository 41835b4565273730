// MEDLINE pagination and the other record fields come from PubMed: reading them
// must survive anything, terminate, and keep the range's invariants.
#include "citation/CitationFormatter.h"
#include "citation/CitationRecord.h"
#include "citation/PageRange.h"
#include "literature/LiteratureRecords.h"

#include <cstddef>
#include <cstdint>

namespace {

void check(bool condition)
{
    if (!condition)
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    if (const std::optional<PageRange> range = PageRange::fromMedline(text)) {
        check(!range->start.isEmpty());
        check(!range->end || !range->end->isEmpty());
        check(!range->medline.isEmpty() && !range->medline.contains(u';'));
        check(range->abbreviated().startsWith(range->start));
    }

    const QString year = CitationFormatter::year(text);
    check(year.isEmpty() || year.size() == 4);
    const std::optional<int> month = CitationFormatter::monthNumber(text);
    check(!month || (*month >= 1 && *month <= 12));
    const QString doi = CitationFormatter::normalizedDOI(text);
    check(doi.isEmpty() || doi.startsWith(QStringLiteral("10.")));
    (void)CitationFormatter::journalCase(CitationFormatter::stripJournalQualifier(text));
    (void)CitationFormatter::cleanTitle(text);

    LiteratureReference reference;
    reference.article = ArticleMetadata{};
    reference.article->pages = text;
    reference.article->articleNumber = text;
    reference.article->doi = text;
    reference.article->day = text;
    reference.article->contributionDate = ArticleDate{text, text, text};
    const CitationRecord record(reference);
    check(!record.title.isEmpty());
    (void)record.labelledPages(true);
    (void)record.labelledPages(false);
    (void)record.locatorURL();
    (void)record.dayNumber();
    (void)record.updatedText();
    return 0;
}
