#include "CliRun.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

TEST(CliHelp, OverviewListsEverySubcommandWithItsSummary)
{
    for (const QStringList& args : {QStringList{QStringLiteral("--help")}, QStringList{QStringLiteral("-h")},
                                    QStringList{QStringLiteral("help")}}) {
        const CliRun r = runCli(args);
        EXPECT_EQ(r.status, 0) << args.join(u' ').toStdString();
        EXPECT_TRUE(r.err.isEmpty());
        EXPECT_TRUE(r.out.startsWith(QStringLiteral("Usage: vorn-cite-cli <"))) << r.out.toStdString();
        for (const auto& command : allCommands()) {
            const QRegularExpression line(QStringLiteral("\n  ") +
                                          QRegularExpression::escape(command->name()) + QStringLiteral(" +") +
                                          QRegularExpression::escape(command->summary()) + u'\n');
            EXPECT_TRUE(line.match(r.out).hasMatch()) << command->name().toStdString();
        }
        EXPECT_TRUE(r.out.contains(QStringLiteral("-v, --version")));
    }

    // Without arguments the same text is a usage error on standard error.
    const CliRun bare = runCli({});
    EXPECT_EQ(bare.status, 2);
    EXPECT_TRUE(bare.out.isEmpty());
    EXPECT_EQ(bare.err, runCli({QStringLiteral("--help")}).out);
}

TEST(CliHelp, Version)
{
    for (const QString& option : {QStringLiteral("--version"), QStringLiteral("-v")}) {
        const CliRun r = runCli({option});
        EXPECT_EQ(r.status, 0);
        EXPECT_TRUE(QRegularExpression(QStringLiteral("^vorn-cite-cli [0-9]+\\.[0-9]+\\.[0-9]+\n$"))
                        .match(r.out)
                        .hasMatch())
            << r.out.toStdString();
    }
}

TEST(CliHelp, EverySubcommandExplainsItsOptionsOnePerLine)
{
    for (const auto& command : allCommands()) {
        const QString name = command->name();
        const CliRun viaHelp = runCli({QStringLiteral("help"), name});
        const CliRun viaOption = runCli({name, QStringLiteral("--help")});
        EXPECT_EQ(viaHelp.status, 0) << name.toStdString();
        EXPECT_EQ(viaOption.status, 0) << name.toStdString();
        EXPECT_EQ(viaHelp.out, viaOption.out);
        EXPECT_TRUE(viaOption.err.isEmpty());
        EXPECT_TRUE(viaOption.out.startsWith(command->usageLine() + u'\n')) << viaOption.out.toStdString();
        EXPECT_TRUE(viaOption.out.contains(command->summary()));
        QList<QCommandLineOption> options = command->options();
        options.append(QCommandLineOption({QStringLiteral("h"), QStringLiteral("help")},
                                          QStringLiteral("Shows this help.")));
        for (const QCommandLineOption& option : options) {
            const QRegularExpression line(
                u'\n' + QStringLiteral("  ") + QRegularExpression::escape(Command::optionNames(option)) +
                QStringLiteral(" +") + QRegularExpression::escape(option.description()) +
                QStringLiteral("(\n|$)"));
            EXPECT_TRUE(line.match(viaOption.out).hasMatch())
                << name.toStdString() << ": " << Command::optionNames(option).toStdString();
        }
    }
    // Help wins over whatever else the line holds; nothing is read or run.
    const CliRun findHelp = runCli(
        {QStringLiteral("find"), QStringLiteral("--cite"), QStringLiteral("ieee"), QStringLiteral("-h")});
    EXPECT_EQ(findHelp.status, 0);
    EXPECT_TRUE(findHelp.out.contains(QStringLiteral("--pubmed-endpoint URL")));
}

TEST(CliHelp, UsageErrors)
{
    struct Row
    {
        QStringList args;
        QString err;
    };
    const QList<Row> rows = {
        {{QStringLiteral("help"), QStringLiteral("bogus")},
         QStringLiteral("Unknown subcommand \"bogus\". Usage: vorn-cite-cli help [SUBCOMMAND]\n")},
        {{QStringLiteral("help"), QStringLiteral("find"), QStringLiteral("format")},
         QStringLiteral("Expected one subcommand. Usage: vorn-cite-cli help [SUBCOMMAND]\n")},
        {{QStringLiteral("--bogus"), QStringLiteral("find")},
         QStringLiteral("Unknown option \"--bogus\". Usage: vorn-cite-cli <")},
        {{QStringLiteral("report"), QStringLiteral("--html=yes")},
         QStringLiteral(
             "Unexpected value after '--html'. Usage: vorn-cite-cli report [--html] [--evidence]\n")},
        {{QStringLiteral("normalize"), QStringLiteral("text")},
         QStringLiteral("Unexpected argument \"text\". Usage: vorn-cite-cli normalize\n")},
        // A key typed in the wrong place is never echoed.
        {{QStringLiteral("vorn_secret1")}, QStringLiteral("Unknown subcommand \"vorn_\u2026\".")},
        {{QStringLiteral("normalize"), QStringLiteral("--vorn_secret1")},
         QStringLiteral("Unknown option \"--vorn_\u2026\".")},
        {{QStringLiteral("help"), QStringLiteral("VORN_secret1")},
         QStringLiteral("Unknown subcommand \"vorn_\u2026\".")},
    };
    for (const Row& row : rows) {
        const CliRun r = runCli(row.args);
        EXPECT_EQ(r.status, 2) << row.args.join(u' ').toStdString();
        EXPECT_TRUE(r.out.isEmpty());
        EXPECT_TRUE(r.err.startsWith(row.err)) << r.err.toStdString();
        EXPECT_FALSE(r.err.contains(QStringLiteral("secret1"), Qt::CaseInsensitive));
    }
}

TEST(CliHelp, OptionsTakeTheirValueInEitherSpellingAndDoubleDashEndsThem)
{
    const QByteArray reference = R"({"pmid": "1", "title": "Title", "authors": ["Smith JA"], "evidence": [],
                                     "journal": "J", "year": "2020"})";
    const CliRun separate =
        runCli({QStringLiteral("format"), QStringLiteral("--style"), QStringLiteral("ris")}, reference);
    const CliRun joined = runCli({QStringLiteral("format"), QStringLiteral("--style=ris")}, reference);
    EXPECT_EQ(separate.status, 0) << separate.err.toStdString();
    EXPECT_EQ(joined.out, separate.out);

    const CliRun text = runCli({QStringLiteral("normalize"), QStringLiteral("--"), QStringLiteral("--text")});
    EXPECT_EQ(text.status, 2);
    EXPECT_TRUE(text.err.startsWith(QStringLiteral("Unexpected argument \"--text\".")))
        << text.err.toStdString();
}
