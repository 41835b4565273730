#include "FormattedCitation.h"

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
    QByteArray out = "{\\rtf1\\ansi\\uc1 ";
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
