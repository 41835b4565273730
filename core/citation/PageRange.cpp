#include "PageRange.h"

#include "CitationText.h"
#include "literature/Hashing.h"

namespace {

constexpr QChar enDash = u'\u2013';

bool isDecimalDigits(const QList<uint>& codePoints)
{
    if (codePoints.isEmpty())
        return false;
    for (const uint c : codePoints) {
        if (!QChar::isDigit(char32_t(c)))
            return false;
    }
    return true;
}

// MEDLINE writes 123-9 for 123-129: the end borrows the start's leading digits.
QString expandedEnd(const QString& start, const QString& end)
{
    const QList<uint> s = start.toUcs4();
    const QList<uint> e = end.toUcs4();
    if (!isDecimalDigits(s) || !isDecimalDigits(e) || e.size() >= s.size())
        return end;
    static_assert(sizeof(uint) == sizeof(char32_t));
    return QString::fromUcs4(reinterpret_cast<const char32_t*>(s.constData()), s.size() - e.size()) + end;
}

qsizetype commonPrefixLength(QStringView a, QStringView b)
{
    qsizetype n = 0;
    while (n < a.size() && n < b.size() && a.at(n) == b.at(n))
        ++n;
    return n;
}

} // namespace

std::optional<PageRange> PageRange::fromMedline(const QString& text)
{
    const qsizetype semicolon = text.indexOf(u';');
    const QString medline = CitationText::collapse(semicolon >= 0 ? text.first(semicolon) : text);
    if (medline.isEmpty())
        return std::nullopt;

    QList<QString> pieces;
    const qsizetype hyphen = medline.indexOf(u'-');
    for (const QString& piece : hyphen >= 0
                                    ? QList<QString>{medline.first(hyphen), medline.sliced(hyphen + 1)}
                                    : QList<QString>{medline}) {
        if (!piece.isEmpty())
            pieces.append(CitationText::collapse(piece));
    }
    if (pieces.isEmpty() || pieces.first().isEmpty())
        return std::nullopt;

    PageRange range;
    range.medline = medline;
    range.start = pieces.first();
    const QString endText = pieces.size() > 1 ? expandedEnd(range.start, pieces.at(1)) : QString();
    if (!endText.isEmpty())
        range.end = endText;
    return range;
}

QString PageRange::abbreviated() const
{
    if (!end)
        return start;
    const std::optional<qint64> s = CitationText::wholeNumber(start);
    const std::optional<qint64> e = CitationText::wholeNumber(*end);
    if (s && e && *s < *e && start.size() == end->size() && *s > 99 && *s % 100 != 0) {
        QString shortened = end->sliced(commonPrefixLength(start, *end));
        if (*s % 100 >= 10 && shortened.size() == 1)
            shortened = end->last(2);
        return start + enDash + shortened;
    }
    return start + enDash + *end;
}

size_t qHash(const PageRange& v, size_t seed)
{
    return HashCombiner(seed)(v.start)(v.end)(v.medline).value();
}
