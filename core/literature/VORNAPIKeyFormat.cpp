#include "VORNAPIKeyFormat.h"

namespace VORNAPIKeyFormat {

QString invalidKeyMessage()
{
    return QStringLiteral(
        "The VORN API key must begin with vorn_ and contain only letters, digits, - and _ on a "
        "single line. Check for a line break copied with the key.");
}

std::optional<QString> normalize(const QString& text)
{
    const QString key = text.trimmed();
    if (!key.startsWith(prefix) || key.size() <= prefix.size())
        return std::nullopt;
    for (qsizetype i = prefix.size(); i < key.size(); ++i) {
        const char16_t c = key.at(i).unicode();
        const bool allowed = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') ||
                             (c >= u'0' && c <= u'9') || c == u'-' || c == u'_';
        if (!allowed)
            return std::nullopt;
    }
    return key;
}

} // namespace VORNAPIKeyFormat
