#include "CitationText.h"

#include "literature/LiteratureInputValidator.h"

#include <QTextBoundaryFinder>

#include <limits>

namespace CitationText {

namespace {

char32_t firstCodePoint(QStringView character)
{
    if (character.isEmpty())
        return 0;
    const QChar first = character.front();
    if (first.isHighSurrogate() && character.size() > 1 && character.at(1).isLowSurrogate())
        return QChar::surrogateToUcs4(first, character.at(1));
    return first.unicode();
}

} // namespace

QString collapse(const QString& text)
{
    return LiteratureInputValidator::collapseWhitespace(text);
}

QList<QStringView> characters(QStringView text)
{
    QList<QStringView> out;
    if (text.isEmpty())
        return out;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text.data(), text.size());
    qsizetype start = 0;
    for (qsizetype end = finder.toNextBoundary(); end != -1; end = finder.toNextBoundary()) {
        if (end > start)
            out.append(text.sliced(start, end - start));
        start = end;
    }
    return out;
}

qsizetype characterCount(QStringView text)
{
    if (text.isEmpty())
        return 0;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text.data(), text.size());
    qsizetype count = 0;
    qsizetype start = 0;
    for (qsizetype end = finder.toNextBoundary(); end != -1; end = finder.toNextBoundary()) {
        if (end > start)
            ++count;
        start = end;
    }
    return count;
}

bool isLetter(QStringView character)
{
    return QChar::isLetter(firstCodePoint(character));
}

bool isUppercaseLetter(QStringView character)
{
    return QChar::isUpper(firstCodePoint(character));
}

bool isLowercaseLetter(QStringView character)
{
    return QChar::isLower(firstCodePoint(character));
}

bool containsNumber(QStringView text)
{
    for (const char32_t c : text.toUcs4()) {
        if (QChar::isNumber(c))
            return true;
    }
    return false;
}

bool isAsciiDigits(QStringView text)
{
    if (text.isEmpty())
        return false;
    for (const QChar c : text) {
        if (c < u'0' || c > u'9')
            return false;
    }
    return true;
}

QString trimmed(const QString& text, QStringView set)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && set.contains(text.at(begin)))
        ++begin;
    while (end > begin && set.contains(text.at(end - 1)))
        --end;
    return text.sliced(begin, end - begin);
}

QString removing(const QString& text, QStringView set)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (!set.contains(c))
            out.append(c);
    }
    return out;
}

std::optional<qint64> wholeNumber(QStringView text)
{
    bool negative = false;
    if (!text.isEmpty() && (text.front() == u'+' || text.front() == u'-')) {
        negative = text.front() == u'-';
        text = text.sliced(1);
    }
    if (!isAsciiDigits(text))
        return std::nullopt;
    // Accumulate towards the negative side: its range is one larger.
    qint64 value = 0;
    constexpr qint64 lowest = std::numeric_limits<qint64>::min();
    for (const QChar c : text) {
        const int digit = c.unicode() - u'0';
        if (value < (lowest + digit) / 10)
            return std::nullopt;
        value = value * 10 - digit;
    }
    if (!negative) {
        if (value == lowest)
            return std::nullopt;
        value = -value;
    }
    return value;
}

} // namespace CitationText
