#include "LiteratureInputValidator.h"

#include <QTextBoundaryFinder>

#include <algorithm>

namespace LiteratureInputValidator {

namespace {

// The Unicode White_Space property: QChar::isSpace covers Zs, Zl, Zp, the ASCII
// controls TAB to CR and U+0085, which is exactly White_Space.
bool isWhiteSpace(QChar c)
{
    return c.isSpace();
}

// Whether text is already collapsed: no white space but single spaces between words.
bool isCollapsed(const QString& text)
{
    bool previousSpace = true; // no space may lead
    for (const QChar c : text) {
        if (c == u' ') {
            if (previousSpace)
                return false;
            previousSpace = true;
        } else if (isWhiteSpace(c)) {
            return false;
        } else {
            previousSpace = false;
        }
    }
    return !previousSpace || text.isEmpty();
}

} // namespace

QString collapseWhitespace(const QString& text)
{
    // Most texts (names, titles, journal words) are collapsed already; sharing them
    // saves a copy.
    if (isCollapsed(text))
        return text;
    QString out;
    out.reserve(text.size());
    bool pendingSpace = false;
    for (const QChar c : text) {
        if (isWhiteSpace(c)) {
            pendingSpace = !out.isEmpty();
            continue;
        }
        if (pendingSpace) {
            out.append(u' ');
            pendingSpace = false;
        }
        out.append(c);
    }
    return out;
}

QString collapseWhitespaceDroppingControls(const QString& text)
{
    // General category Cc is exactly U+0000 to U+001F and U+007F to U+009F; the white
    // space among them (TAB to CR, U+0085) is left to collapsing.
    const auto dropped = [](QChar c) {
        const char16_t u = c.unicode();
        return (u < 0x20 || (u >= 0x7f && u <= 0x9f)) && !isWhiteSpace(c);
    };
    if (std::none_of(text.cbegin(), text.cend(), dropped))
        return collapseWhitespace(text);
    QString kept = text;
    kept.removeIf(dropped);
    return collapseWhitespace(kept);
}

qsizetype characterCount(const QString& text)
{
    if (text.isEmpty())
        return 0;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype count = 0;
    while (finder.toNextBoundary() != -1)
        ++count;
    return count;
}

std::expected<QString, LiteratureError> normalize(const QString& text)
{
    QString s = text;
    s.replace(QStringLiteral("\\;"), QStringLiteral(";"));
    s.replace(QStringLiteral("\\,"), QStringLiteral(","));
    s.replace(QStringLiteral("\\:"), QStringLiteral(":"));
    s = collapseWhitespace(s);

    const qsizetype count = characterCount(s);
    if (count < minimumCharacters) {
        return std::unexpected(LiteratureError::invalidInput(
            QStringLiteral("Select a complete scientific sentence (at least ") +
            QString::number(minimumCharacters) + QStringLiteral(" characters).")));
    }
    if (count > maximumCharacters) {
        return std::unexpected(LiteratureError::invalidInput(
            QStringLiteral("The selection is ") + QString::number(count) +
            QStringLiteral(" characters. The VORN citation endpoint accepts at most ") +
            QString::number(maximumCharacters) + QStringLiteral(" characters.")));
    }
    return s;
}

} // namespace LiteratureInputValidator
