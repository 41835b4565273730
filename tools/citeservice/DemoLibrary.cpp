#include "DemoLibrary.h"

#include "pubmed/PubMedArticleParser.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>

#include <algorithm>

namespace {

const QSet<QString>& stopWords()
{
    static const QSet<QString> words = {
        QStringLiteral("the"),      QStringLiteral("and"),   QStringLiteral("for"),
        QStringLiteral("with"),     QStringLiteral("from"),  QStringLiteral("that"),
        QStringLiteral("this"),     QStringLiteral("are"),   QStringLiteral("was"),
        QStringLiteral("were"),     QStringLiteral("its"),   QStringLiteral("into"),
        QStringLiteral("not"),      QStringLiteral("but"),   QStringLiteral("has"),
        QStringLiteral("have"),     QStringLiteral("than"),  QStringLiteral("their"),
        QStringLiteral("which"),    QStringLiteral("these"), QStringLiteral("between"),
        QStringLiteral("patients"), QStringLiteral("study")};
    return words;
}

QString authorName(const ArticleAuthor& a)
{
    if (a.collectiveName)
        return *a.collectiveName;
    const QString name = a.lastName.value_or(QString()) + u' ' + a.initials.value_or(QString());
    return name.trimmed();
}

} // namespace

std::expected<DemoLibrary, QString> DemoLibrary::load(const QString& folder)
{
    const QDir dir(folder);
    const QStringList files = dir.entryList({QStringLiteral("*.xml")}, QDir::Files, QDir::Name);
    if (files.isEmpty())
        return std::unexpected(QStringLiteral("no efetch documents (*.xml) in ") + folder);
    DemoLibrary library;
    for (const QString& name : files) {
        QFile file(dir.filePath(name));
        if (!file.open(QIODevice::ReadOnly))
            return std::unexpected(QStringLiteral("cannot read ") + file.fileName());
        const auto records = PubMedArticleParser::parse(file.readAll());
        if (!records)
            return std::unexpected(name + QStringLiteral(": ") + records.error().errorDescription());
        for (const ArticleMetadata& record : *records) {
            if (record.title && !record.title->isEmpty())
                library.m_records.append(record);
        }
    }
    return library;
}

QList<QString> DemoLibrary::words(const QString& text)
{
    QList<QString> out;
    QString word;
    const auto flush = [&] {
        if (word.size() >= 3 && !stopWords().contains(word) && !out.contains(word))
            out.append(word);
        word.clear();
    };
    for (const QChar c : text.toLower()) {
        if (c.isLetterOrNumber())
            word.append(c);
        else
            flush();
    }
    flush();
    return out;
}

QByteArray DemoLibrary::citeResponse(const QString& text, qsizetype maxReferences) const
{
    const QList<QString> sentence = words(text);
    struct Hit
    {
        const ArticleMetadata* record;
        QList<QString> shared;
    };
    QList<Hit> hits;
    for (const ArticleMetadata& record : m_records) {
        const QList<QString> recordWords =
            words(record.title.value_or(QString()) + u' ' + record.journalTitle.value_or(QString()));
        QList<QString> shared;
        for (const QString& w : sentence) {
            if (recordWords.contains(w))
                shared.append(w);
        }
        if (!shared.isEmpty())
            hits.append({&record, shared});
    }
    std::stable_sort(hits.begin(), hits.end(),
                     [](const Hit& a, const Hit& b) { return a.shared.size() > b.shared.size(); });

    QJsonArray references;
    for (const Hit& hit : hits.first(std::min(hits.size(), maxReferences))) {
        const ArticleMetadata& r = *hit.record;
        QJsonArray authors;
        for (const ArticleAuthor& a : r.authors)
            authors.append(authorName(a));
        references.append(QJsonObject{
            {QStringLiteral("pmid"), r.pmid},
            {QStringLiteral("title"), *r.title},
            {QStringLiteral("journal"), r.journalTitle.value_or(QString())},
            {QStringLiteral("year"), r.year.value_or(QString())},
            {QStringLiteral("authors"), authors},
            {QStringLiteral("why"),
             QString(QStringLiteral("Demo ranking: the title shares the words ") +
                     hit.shared.join(QStringLiteral(", ")) + QStringLiteral(" with the sentence."))},
            {QStringLiteral("evidence"),
             QJsonArray{QJsonObject{{QStringLiteral("quote"), *r.title},
                                    {QStringLiteral("context_type"), QStringLiteral("demo: title")}}}},
        });
    }
    const QString answer =
        QStringLiteral("Demo service: ") + QString::number(references.size()) + QStringLiteral(" of ") +
        QString::number(m_records.size()) +
        QStringLiteral(" bundled PubMed records share words with the sentence. This is a word-overlap "
                       "demonstration, not a search for evidence.");
    return QJsonDocument(QJsonObject{{QStringLiteral("status"), QStringLiteral("ok")},
                                     {QStringLiteral("answer"), answer},
                                     {QStringLiteral("references"), references}})
        .toJson(QJsonDocument::Compact);
}
