#pragma once

#include "literature/RecordJson.h"

#include <QList>
#include <QString>
#include <QUrl>

#include <optional>

enum class ArticleKind
{
    journalArticle,
    bookChapter
};

QString rawValue(ArticleKind kind);
// Absent for any text that is not a raw value.
std::optional<ArticleKind> articleKindFromRawValue(const QString& raw);

// One person or group as PubMed names it. Filled fields are never empty.
struct ArticleAuthor
{
    std::optional<QString> lastName;
    std::optional<QString> foreName;
    std::optional<QString> initials;
    std::optional<QString> suffix;
    std::optional<QString> collectiveName;

    friend bool operator==(const ArticleAuthor&, const ArticleAuthor&) = default;
    [[nodiscard]] QJsonObject toJson() const;
    [[nodiscard]] static JsonResult<ArticleAuthor> fromJson(const QJsonObject& object);
};
size_t qHash(const ArticleAuthor& value, size_t seed = 0);

// A date as PubMed writes it; the month may be a number, an abbreviation or a name.
struct ArticleDate
{
    std::optional<QString> year;
    std::optional<QString> month;
    std::optional<QString> day;

    friend bool operator==(const ArticleDate&, const ArticleDate&) = default;
    [[nodiscard]] QJsonObject toJson() const;
    [[nodiscard]] static JsonResult<ArticleDate> fromJson(const QJsonObject& object);
};
size_t qHash(const ArticleDate& value, size_t seed = 0);

// The bibliographic record of one journal article or book chapter, with texts as
// PubMed delivered them (whitespace collapsed); display normalisation happens later.
struct ArticleMetadata
{
    QString pmid;
    ArticleKind kind = ArticleKind::journalArticle;
    std::optional<QString> title;
    QList<ArticleAuthor> authors;
    std::optional<QString> journalTitle;
    std::optional<QString> journalAbbreviation;
    std::optional<QString> year;
    std::optional<QString> month;
    std::optional<QString> day;
    std::optional<QString> volume;
    std::optional<QString> issue;
    std::optional<QString> pages;
    std::optional<QString> articleNumber;
    std::optional<QString> doi;
    QList<QString> publicationTypes;
    std::optional<QString> bookTitle;
    QList<ArticleAuthor> editors;
    std::optional<QString> publisher;
    std::optional<QString> publisherLocation;
    std::optional<QString> bookshelfID;
    std::optional<ArticleDate> contributionDate;

    [[nodiscard]] bool isRetracted() const;
    [[nodiscard]] bool isPreprint() const;
    [[nodiscard]] std::optional<QUrl> bookshelfURL() const;

    friend bool operator==(const ArticleMetadata&, const ArticleMetadata&) = default;
    [[nodiscard]] QJsonObject toJson() const;
    [[nodiscard]] static JsonResult<ArticleMetadata> fromJson(const QJsonObject& object);
};
size_t qHash(const ArticleMetadata& value, size_t seed = 0);
