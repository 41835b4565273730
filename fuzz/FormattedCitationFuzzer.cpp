// Citation texts come from the network: their HTML and RTF renderings must keep
// every character of the text inert.
#include "citation/FormattedCitation.h"

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
    // Every "|" switches between plain and italic.
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    QList<FormattedCitation::Run> runs;
    bool italic = false;
    for (const QString& piece : text.split(u'|')) {
        runs.append({piece, italic});
        italic = !italic;
    }
    const FormattedCitation citation(runs);

    // HTML: the only markup is <i> and </i>.
    QString html = citation.html();
    html.remove(QStringLiteral("<i>"));
    html.remove(QStringLiteral("</i>"));
    check(!html.contains(u'<') && !html.contains(u'>') && !html.contains(u'"'));

    // RTF: 7-bit, braces balanced, no group closed before it opened.
    const QByteArray rtf = citation.rtf();
    int depth = 0;
    for (qsizetype i = 0; i < rtf.size(); ++i) {
        const char c = rtf.at(i);
        check(static_cast<unsigned char>(c) < 0x80);
        if (c == '\\') {
            ++i;
            continue;
        }
        depth += c == '{' ? 1 : c == '}' ? -1 : 0;
        check(depth >= 0 && (depth > 0 || i == rtf.size() - 1));
    }
    check(depth == 0);
    return 0;
}
