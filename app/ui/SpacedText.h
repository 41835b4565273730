#pragma once

#include <QFont>
#include <QString>

// Text with extra room between its lines (the design's "line spacing"), shown by a
// QLabel as rich text. Plain text goes in escaped, so nothing in it is markup.
namespace SpacedText {

// The label text for plain (newlines kept as line breaks) with spacing pixels between lines.
QString html(const QString& plain, int spacing);
// The height of that text wrapped at width in font, as a label lays it out.
int height(const QFont& font, int width, const QString& plain, int spacing);

} // namespace SpacedText
