#include "FormattedCitation.h"

#include <algorithm>
#include <cmath>

namespace {

void appendRtfText(QByteArray& out, const QString& text)
{
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == u'\\' || u == u'{' || u == u'}') {
            out += '\\';
            out += char(u);
        } else if (u >= 0x20 && u < 0x7f) {
            out += char(u);
        } else if (u == u'\t') {
            out += "\\tab ";
        } else if (u == u'\n') {
            out += "\\line ";
        } else if (u < 0x20 || u == 0x7f) {
            // Other control characters have no meaning in a citation.
        } else {
            // \uN takes a signed 16-bit value; characters beyond the BMP are written
            // as their two surrogates. "?" is the one-character fallback for readers
            // without Unicode (\uc1). The group ends the control word, so that no
            // reader takes the letters that follow as part of it.
            out += "{\\u" + QByteArray::number(qint16(u)) + "?}";
        }
    }
}

// A font name as the font table holds it: printable ASCII only, without the
// characters that end the entry or open a group; at most 64 characters.
QByteArray rtfFontName(const QString& family)
{
    QByteArray out;
    for (const QChar c : family.simplified()) {
        const char16_t u = c.unicode();
        if (u >= 0x20 && u < 0x7f && u != u'\\' && u != u'{' && u != u'}' && u != u';')
            out += char(u);
        if (out.size() == 64)
            break;
    }
    return out.trimmed();
}

} // namespace

FormattedCitation::FormattedCitation(const QList<Run>& runs)
{
    for (const Run& run : runs) {
        if (run.text.isEmpty())
            continue;
        if (!m_runs.isEmpty() && m_runs.last().isItalic == run.isItalic)
            m_runs.last().text += run.text;
        else
            m_runs.append(run);
    }
}

QString FormattedCitation::plainText() const
{
    QString out;
    for (const Run& run : m_runs)
        out += run.text;
    return out;
}

QString FormattedCitation::html() const
{
    QString out;
    for (const Run& run : m_runs) {
        QString escaped = run.text;
        escaped.replace(u'&', QStringLiteral("&amp;"));
        escaped.replace(u'<', QStringLiteral("&lt;"));
        escaped.replace(u'>', QStringLiteral("&gt;"));
        escaped.replace(u'"', QStringLiteral("&quot;"));
        out += run.isItalic ? QStringLiteral("<i>") + escaped + QStringLiteral("</i>") : escaped;
    }
    return out;
}

QByteArray FormattedCitation::rtf() const
{
    return rtf(RtfFont{});
}

QByteArray FormattedCitation::rtf(const RtfFont& baseFont) const
{
    QByteArray out = "{\\rtf1\\ansi";
    const QByteArray name = rtfFontName(baseFont.family);
    if (!name.isEmpty())
        out += "\\deff0{\\fonttbl{\\f0\\fnil " + name + ";}}\\f0";
    if (baseFont.pointSize > 0) {
        // Half-points, within what readers accept (an infinite size included).
        const long halfPoints = std::lround(std::clamp(baseFont.pointSize * 2, 2.0, 3276.0));
        out += "\\fs" + QByteArray::number(qint64(halfPoints));
    }
    out += "\\uc1 ";
    for (const Run& run : m_runs) {
        if (run.isItalic) {
            out += "{\\i ";
            appendRtfText(out, run.text);
            out += '}';
        } else {
            appendRtfText(out, run.text);
        }
    }
    out += '}';
    return out;
}
