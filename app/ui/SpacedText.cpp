#include "SpacedText.h"

#include <QTextDocument>

#include <cmath>

namespace SpacedText {

QString html(const QString& plain, int spacing)
{
    QString escaped = plain.toHtmlEscaped();
    escaped.replace(QLatin1Char('\n'), QStringLiteral("<br>"));
    return QStringLiteral("<div style=\"line-height: %1px; -qt-line-height-type: line-distance;\">")
               .arg(spacing) +
           escaped + QStringLiteral("</div>");
}

int height(const QFont& font, int width, const QString& plain, int spacing)
{
    QTextDocument document;
    document.setDefaultFont(font);
    document.setDocumentMargin(0);
    document.setHtml(html(plain, spacing));
    document.setTextWidth(width);
    return int(std::ceil(document.size().height()));
}

} // namespace SpacedText
