// Cite responses come from the network: the parser must survive anything, and every
// result it returns must keep the promises its readers rely on.
#include "service/LiteratureNetworking.h"
#include "service/VORNResponseParser.h"

#include <QSet>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

bool isClean(const QString& text)
{
    return text == LiteratureNetworking::clean(text);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray body(reinterpret_cast<const char*>(data), qsizetype(size));
    // The first byte picks the requested count, so clamping is exercised too.
    const qint64 maxArticles = size > 0 ? qint64(int8_t(data[0])) : 5;
    const auto result = VORNResponseParser::parse(body, LiteratureQueryOptions{maxArticles, true, 15});
    if (!result) {
        check(result.error().kind() == LiteratureError::Kind::malformedResponse);
        return 0;
    }
    check(!result->isCached && isClean(result->answer));
    check(result->references.size() <= std::clamp<qint64>(maxArticles, 1, 25));
    check(!result->executionTime || std::isfinite(*result->executionTime));
    QSet<QString> pmids;
    for (const LiteratureReference& r : result->references) {
        check(!r.pmid.isEmpty() && !r.pmid.startsWith(u'0') && !pmids.contains(r.pmid));
        pmids.insert(r.pmid);
        check(!r.title.isEmpty() && isClean(r.title) && r.url.has_value() && !r.article);
        check(!r.citationCount || (*r.citationCount >= 0 && *r.citationCount <= 10'000'000));
        for (const QString& author : r.authors)
            check(!author.isEmpty() && isClean(author));
        for (const LiteratureEvidence& e : r.evidence)
            check(!e.quote.isEmpty() && isClean(e.quote) && (!e.contextType || !e.contextType->isEmpty()));
    }
    return 0;
}
