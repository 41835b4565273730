#include "LiteratureInputValidator.h"

#include <QTextBoundaryFinder>

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
