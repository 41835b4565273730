#pragma once

#include <QString>

#include <optional>

// The shape of a VORN API key: "vorn_" then ASCII letters, digits, "-" and "_".
namespace VORNAPIKeyFormat {

inline const QString prefix = QStringLiteral("vorn_");

// The message for a key that fails normalize().
QString invalidKeyMessage();

// The trimmed key, or absent when it is not a well-formed key.
std::optional<QString> normalize(const QString& text);

} // namespace VORNAPIKeyFormat
