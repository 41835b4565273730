#pragma once

#include "LiteratureError.h"

#include <QString>

#include <expected>

// Turns a raw selection into the exact sentence sent to the citation service.
namespace LiteratureInputValidator {

inline constexpr int minimumCharacters = 10;
inline constexpr int maximumCharacters = 1000;

// Unescapes "\;", "\," and "\:", collapses every run of Unicode white space to one
// space, trims, and checks the length in user-perceived characters.
[[nodiscard]] std::expected<QString, LiteratureError> normalize(const QString& text);

// Number of extended grapheme clusters in text.
qsizetype characterCount(const QString& text);

// Splits at every White_Space character, drops empty pieces, joins with one space.
QString collapseWhitespace(const QString& text);

// collapseWhitespace after dropping every control character that is not white space
// (C0, DEL and C1: escape sequences, BEL, NUL, ...), for text from the network, which
// must never reach a terminal or the clipboard with them. Format characters such as
// right-to-left marks stay.
QString collapseWhitespaceDroppingControls(const QString& text);

} // namespace LiteratureInputValidator
