#pragma once

#include "RecordJson.h"
#include "pubmed/ArticleMetadata.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QUrl>

#include <optional>
#include <variant>

// A rectangle in desktop space: origin at the bottom-left of the primary screen,
// y growing upward, in logical pixels.
struct ScreenRect
{
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;

    friend bool operator==(const ScreenRect&, const ScreenRect&) = default;
    [[nodiscard]] QJsonObject toJson() const;
    [[nodiscard]] static JsonResult<ScreenRect> fromJson(const QJsonObject& object);
};
size_t qHash(const ScreenRect& value, size_t seed = 0);

enum class SelectionCaptureMethod
{
    accessibility,
    clipboardCompatibility,
    service
};

QString rawValue(SelectionCaptureMethod method);
std::optional<SelectionCaptureMethod> selectionCaptureMethodFromRawValue(const QString& raw);

// One captured selection.
struct SelectionContext
{
    QString selectedText;
    std::optional<QString> sourceApplicationName;
    std::optional<QString> sourceBundleIdentifier;
    std::optional<ScreenRect> bounds;
    bool isEditable = false;
    SelectionCaptureMethod captureMethod = SelectionCaptureMethod::accessibility;
    QDateTime capturedAt;

    friend bool operator==(const SelectionContext&, const SelectionContext&) = default;
    [[nodiscard]] QJsonObject toJson() const;
    [[nodiscard]] static JsonResult<SelectionContext> fromJson(const QJsonObject& object);
};
size_t qHash(const SelectionContext& value, size_t seed = 0);

// The user's choices for one query, stored as given; consumers clamp through normalized().
struct LiteratureQueryOptions
{
    qint64 maxArticles = 5;
    bool includeEvidence = true;
    qint64 cacheDurationMinutes = 15;

    // maxArticles clamped to 1...25, cacheDurationMinutes to 0...60.
    [[nodiscard]] LiteratureQueryOptions normalized() const;

    friend bool operator==(const LiteratureQueryOptions&, const LiteratureQueryOptions&) = default;
    [[nodiscard]] QJsonObject toJson() const;
    [[nodiscard]] static JsonResult<LiteratureQueryOptions> fromJson(const QJsonObject& object);
};
size_t qHash(const LiteratureQueryOptions& value, size_t seed = 0);

struct LiteratureQuery
{
    QString text;
    LiteratureQueryOptions options;

    friend bool operator==(const LiteratureQuery&, const LiteratureQuery&) = default;
    [[nodiscard]] QJsonObject toJson() const;
    [[nodiscard]] static JsonResult<LiteratureQuery> fromJson(const QJsonObject& object);
};
size_t qHash(const LiteratureQuery& value, size_t seed = 0);

struct LiteratureEvidence
{
    QString quote;
    std::optional<QString> contextType;

    friend bool operator==(const LiteratureEvidence&, const LiteratureEvidence&) = default;
    [[nodiscard]] QJsonObject toJson() const;
    [[nodiscard]] static JsonResult<LiteratureEvidence> fromJson(const QJsonObject& object);
};
size_t qHash(const LiteratureEvidence& value, size_t seed = 0);

struct LiteratureUsage
{
    std::optional<qint64> promptTokens;
    std::optional<qint64> completionTokens;
    std::optional<qint64> totalTokens;

    friend bool operator==(const LiteratureUsage&, const LiteratureUsage&) = default;
    [[nodiscard]] QJsonObject toJson() const;
    [[nodiscard]] static JsonResult<LiteratureUsage> fromJson(const QJsonObject& object);
};
size_t qHash(const LiteratureUsage& value, size_t seed = 0);

// One returned publication; its identity is its PMID.
struct LiteratureReference
{
    QString pmid;
    QString title;
    std::optional<QUrl> url;
    QList<QString> authors;
    std::optional<QString> journal;
    std::optional<QString> date;
    std::optional<qint64> citationCount;
    std::optional<QString> relevanceReason;
    QList<LiteratureEvidence> evidence;
    std::optional<ArticleMetadata> article;

    [[nodiscard]] const QString& id() const { return pmid; }

    friend bool operator==(const LiteratureReference&, const LiteratureReference&) = default;
    [[nodiscard]] QJsonObject toJson() const;
    [[nodiscard]] static JsonResult<LiteratureReference> fromJson(const QJsonObject& object);
};
size_t qHash(const LiteratureReference& value, size_t seed = 0);

struct LiteratureResult
{
    QString answer;
    QList<LiteratureReference> references;
    std::optional<LiteratureUsage> usage;
    bool isCached = false;
    std::optional<QString> sessionID;
    std::optional<QString> invocationID;
    std::optional<double> executionTime;

    friend bool operator==(const LiteratureResult&, const LiteratureResult&) = default;
    [[nodiscard]] QJsonObject toJson() const;
    [[nodiscard]] static JsonResult<LiteratureResult> fromJson(const QJsonObject& object);
};
size_t qHash(const LiteratureResult& value, size_t seed = 0);

// An event of a running query: a progress message or the final result.
struct LiteratureQueryEvent
{
    struct Progress
    {
        QString step;
        std::optional<QString> content;
    };
    struct Completed
    {
        LiteratureResult result;
    };

    std::variant<Progress, Completed> value;

    static LiteratureQueryEvent progress(QString step, std::optional<QString> content = std::nullopt)
    {
        return {Progress{std::move(step), std::move(content)}};
    }
    static LiteratureQueryEvent completed(LiteratureResult result) { return {Completed{std::move(result)}}; }

    [[nodiscard]] const Progress* asProgress() const { return std::get_if<Progress>(&value); }
    [[nodiscard]] const Completed* asCompleted() const { return std::get_if<Completed>(&value); }
};
