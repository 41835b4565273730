#pragma once

#include <QList>
#include <QString>
#include <QStringView>

#include <optional>

// Text helpers shared by the name parser, the citation record and the formatters.
// A "character" is a user-perceived character (an extended grapheme cluster) and is
// classified by its base, its first code point, so that a letter with combining
// accents still counts as one letter.
namespace CitationText {

// Splits at every Unicode white-space character, drops empty pieces, joins with one space.
QString collapse(const QString& text);

// The user-perceived characters of text, in order.
QList<QStringView> characters(QStringView text);
qsizetype characterCount(QStringView text);

// Classification of one user-perceived character by its first code point.
bool isLetter(QStringView character);
bool isUppercaseLetter(QStringView character);
bool isLowercaseLetter(QStringView character);

// Whether any code point of text is a number (Unicode categories Nd, Nl, No).
bool containsNumber(QStringView text);
// Whether text is non-empty and holds only ASCII digits 0-9.
bool isAsciiDigits(QStringView text);

// text with every character of set removed from both ends.
QString trimmed(const QString& text, QStringView set);
// text with every occurrence of the characters of set removed.
QString removing(const QString& text, QStringView set);

// The value of a whole decimal number: an optional "+" or "-", then ASCII digits.
// Absent for anything else and for values outside the 64-bit range.
std::optional<qint64> wholeNumber(QStringView text);

} // namespace CitationText
