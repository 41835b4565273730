#pragma once

#include "Command.h"
#include "literature/LiteratureRecords.h"
#include "literature/VORNAPIKeyStoring.h"

#include <QSslCertificate>

#include <functional>
#include <memory>

// find: the application's whole query path from a terminal. The sentence comes from
// the arguments or standard input; the key from the secret store; the service address
// from --endpoint, else the user's settings, else the build. Prints the plain or HTML
// report, or the result JSON; with --cite, also each reference's citation, after
// fetching the PubMed records of all references in one efetch request. Failures print
// the sentence the result panel would show; when no service address is configured at
// all, a second line says how to set one.
class FindCommand final : public Command
{
public:
    using StoreFactory = std::function<std::shared_ptr<VORNAPIKeyStoring>()>;
    explicit FindCommand(StoreFactory storeFactory);

    QString name() const override { return QStringLiteral("find"); }
    QString synopsis() const override
    {
        return QStringLiteral("[--json] [--html] [--evidence] [--cite STYLE] [--endpoint BASE-URL] "
                              "[--pubmed-endpoint URL] [--ca-certificates PEM] [SENTENCE...]");
    }
    QString summary() const override;
    QList<QCommandLineOption> options() const override;
    QList<Argument> positionalArguments() const override;
    int run(const QStringList& arguments, CommandIO& io) override;

private:
    // Fetches the PubMed records of every reference in one efetch request and attaches
    // them; on failure says so on standard error and leaves the references as they are.
    static void attachPubMedRecords(LiteratureResult& result, const QString& endpoint,
                                    const QList<QSslCertificate>& extraAuthorities, CommandIO& io);
    // The citations section that follows the report.
    static QString citations(const LiteratureResult& result, const QString& style, bool html);

    StoreFactory m_storeFactory;
};
