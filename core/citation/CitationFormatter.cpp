#include "CitationFormatter.h"

#include "CitationText.h"

#include <QRegularExpression>

#include <algorithm>
#include <array>

namespace CitationFormatter {

namespace {

using CitationText::collapse;

constexpr auto journalSmallWords = std::to_array<QStringView>(
    {u"a",  u"an",       u"and", u"as", u"at",  u"by",  u"for", u"in", u"of", u"on",
     u"or", u"the",      u"to",  u"de", u"del", u"der", u"des", u"di", u"du", u"e",
     u"et", u"f\u00fcr", u"la",  u"le", u"und", u"van", u"von", u"y",  u"zu"});
static_assert(journalSmallWords.size() == 29);

constexpr auto monthNames =
    std::to_array<QStringView>({u"january", u"february", u"march", u"april", u"may", u"june", u"july",
                                u"august", u"september", u"october", u"november", u"december"});
static_assert(monthNames.size() == 12);

constexpr auto monthAbbreviations = std::to_array<QStringView>(
    {u"Jan", u"Feb", u"Mar", u"Apr", u"May", u"Jun", u"Jul", u"Aug", u"Sep", u"Oct", u"Nov", u"Dec"});
static_assert(monthAbbreviations.size() == 12);

QString trimmedOfPunctuation(const QString& word)
{
    qsizetype begin = 0;
    qsizetype end = word.size();
    while (begin < end && word.at(begin).isPunct())
        ++begin;
    while (end > begin && word.at(end - 1).isPunct())
        --end;
    return word.sliced(begin, end - begin);
}

bool isAscii(QStringView text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
}

bool isSmallWord(const QString& word)
{
    QString bare = trimmedOfPunctuation(word);
    if (!isAscii(bare))
        bare = bare.normalized(QString::NormalizationForm_C);
    return std::find(journalSmallWords.begin(), journalSmallWords.end(), QStringView(bare)) !=
           journalSmallWords.end();
}

// The word with its first letter in upper case.
QString capitalized(const QString& word)
{
    // ASCII words (most journal titles) need no grapheme segmentation.
    if (isAscii(word)) {
        QString out = word;
        for (QChar& c : out) {
            if (c.isLetter()) {
                c = c.toUpper();
                break;
            }
        }
        return out;
    }
    const QList<QStringView> chars = CitationText::characters(word);
    QString out;
    out.reserve(word.size());
    bool done = false;
    for (const QStringView c : chars) {
        if (!done && CitationText::isLetter(c)) {
            out += c.toString().toUpper();
            done = true;
        } else {
            out += c;
        }
    }
    return out;
}

} // namespace

QString cleanTitle(const QString& text)
{
    QString title = collapse(text);
    while (title.endsWith(u'.'))
        title.chop(1);
    return collapse(title);
}

QString stripJournalQualifier(const QString& text)
{
    static const QRegularExpression qualifier(QStringLiteral("\\s*\\([^()]*\\)\\s*$"));
    const QString collapsed = collapse(text);
    const QRegularExpressionMatch match = qualifier.match(collapsed);
    if (!match.hasMatch())
        return collapsed;
    const QString before = collapse(collapsed.first(match.capturedStart()));
    return before.isEmpty() ? collapsed : before;
}

QString journalCase(const QString& text)
{
    const QList<QString> words = collapse(text).split(u' ', Qt::SkipEmptyParts);
    QList<QString> out;
    out.reserve(words.size());
    bool atStart = true;
    for (const QString& word : words) {
        if (word != word.toLower())
            out.append(word);
        else if (isSmallWord(word) && !atStart)
            out.append(word);
        else
            out.append(capitalized(word));
        atStart = word.endsWith(u'.') || word.endsWith(u':');
    }
    return out.join(u' ');
}

QString year(const std::optional<QString>& text)
{
    if (!text)
        return {};
    const QStringView s = *text;
    const auto isDigit = [](QChar c) { return c >= u'0' && c <= u'9'; };
    qsizetype i = 0;
    while (i < s.size()) {
        if (!isDigit(s.at(i))) {
            ++i;
            continue;
        }
        qsizetype end = i;
        while (end < s.size() && isDigit(s.at(end)))
            ++end;
        QStringView run = s.sliced(i, end - i);
        if (run.size() == 8)
            run = run.first(4);
        if (run.size() == 4) {
            const int value = run.toInt();
            if (value >= 1500 && value <= 2100)
                return run.toString();
        }
        i = end;
    }
    return {};
}

std::optional<int> monthNumber(const QString& text)
{
    const QString collapsed = collapse(text);
    if (const std::optional<qint64> n = CitationText::wholeNumber(collapsed))
        return *n >= 1 && *n <= 12 ? std::optional<int>(int(*n)) : std::nullopt;
    const QString word = CitationText::trimmed(collapsed.toLower(), u".");
    const QList<QStringView> chars = CitationText::characters(word);
    if (chars.size() <= 2 || !std::all_of(chars.begin(), chars.end(), CitationText::isLetter))
        return std::nullopt;
    for (size_t m = 0; m < monthNames.size(); ++m) {
        if (monthNames.at(m).startsWith(word))
            return int(m) + 1;
    }
    return std::nullopt;
}

QString monthAbbreviation(const QString& month)
{
    const std::optional<int> m = monthNumber(month);
    return m ? monthAbbreviations.at(size_t(*m - 1)).toString() : month;
}

QString normalizedDOI(const std::optional<QString>& text)
{
    if (!text)
        return {};
    const QString resolverHost = QUrl(doiResolverBaseURL).host();
    const std::array<QString, 6> prefixes = {
        QStringLiteral("https://") + resolverHost + u'/',
        QStringLiteral("http://") + resolverHost + u'/',
        QStringLiteral("https://") + legacyDOIResolverHost + u'/',
        QStringLiteral("http://") + legacyDOIResolverHost + u'/',
        QStringLiteral("doi:"),
        QStringLiteral("DOI:"),
    };
    QString doi = collapse(*text);
    for (const QString& prefix : prefixes) {
        if (doi.startsWith(prefix, Qt::CaseInsensitive)) {
            doi = collapse(doi.sliced(prefix.size()));
            break;
        }
    }
    return doi.startsWith(QStringLiteral("10.")) ? doi : QString();
}

std::optional<QUrl> webURL(const std::optional<QUrl>& url)
{
    if (!url)
        return std::nullopt;
    const QString scheme = url->scheme().toLower();
    if (scheme == u"https" || scheme == u"http")
        return url;
    return std::nullopt;
}

} // namespace CitationFormatter
