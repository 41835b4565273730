#pragma once

#include <QString>

#include <optional>

// A page range, a single page or an article number read from MEDLINE pagination
// text such as "123-9", "e0123456" or "S12-S15".
struct PageRange
{
    // First page, or the whole locator; never empty.
    QString start;
    // Last page with MEDLINE's shortening undone ("123-9" ends at "129"); never empty
    // when present.
    std::optional<QString> end;
    // The white-space-collapsed text the range was read from (its first range only).
    QString medline;

    // Reads the first range of text ("123-45; 67-89" gives 123-145); absent for blank
    // text or text without a start.
    static std::optional<PageRange> fromMedline(const QString& text);

    // Inclusive pages in the abbreviated style, joined with an en dash: 321–28,
    // 101–8, 1496–504; 100–104, 71–72 and S12–S15 stay whole. The start alone
    // without an end.
    [[nodiscard]] QString abbreviated() const;

    friend bool operator==(const PageRange&, const PageRange&) = default;
};
size_t qHash(const PageRange& value, size_t seed = 0);
