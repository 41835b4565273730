// Author strings come from the citation service and PubMed: parsing and rendering
// must survive anything, terminate, and keep the name's invariants.
#include "citation/AuthorName.h"

#include <cstddef>
#include <cstdint>

namespace {

void check(bool condition)
{
    if (!condition)
        __builtin_trap();
}

void render(const AuthorName& name)
{
    for (const bool full : {false, true}) {
        const QString natural = name.natural(full);
        const QString inverted = name.inverted(full);
        check(!natural.isEmpty() && !inverted.isEmpty());
        check(!natural.contains(QStringLiteral("  ")) && !inverted.contains(QStringLiteral("  ")));
        (void)name.givenText(full);
    }
    (void)name.spacedInitials();
    (void)name.compactInitials();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    if (const std::optional<AuthorName> name = AuthorName::parse(text)) {
        check(!name->surname.isEmpty());
        check(!name->initials.has_value());
        render(*name);
    }

    // The same bytes as the five fields of a PubMed author, separated by "|".
    const QList<QString> fields = text.split(u'|');
    const auto field = [&fields](qsizetype i) -> std::optional<QString> {
        if (i >= fields.size() || fields.at(i).isEmpty())
            return std::nullopt;
        return fields.at(i);
    };
    const ArticleAuthor author{field(0), field(1), field(2), field(3), field(4)};
    if (const std::optional<AuthorName> name = AuthorName::fromArticle(author)) {
        check(!name->surname.isEmpty());
        render(*name);
    }
    return 0;
}
