#include "CliRun.h"

#include <gtest/gtest.h>

TEST(Cli, NormalizeAndApiKey)
{
    struct Row
    {
        QStringList args;
        QByteArray input;
        int status;
        QString out;
        QString err;
    };
    const QList<Row> rows = {
        {{QStringLiteral("normalize")},
         "  Aspirin\n\n reduces   fever.  ",
         0,
         QStringLiteral("Aspirin reduces fever.\n"),
         {}},
        {{QStringLiteral("normalize")},
         "Too short",
         1,
         {},
         QStringLiteral("Select a complete scientific sentence (at least 10 characters).\n")},
        {{QStringLiteral("normalize")},
         "caf\xc3\xa9 \xff\xfe invalid bytes",
         1,
         {},
         QStringLiteral("Standard input is not valid UTF-8.\n")},
        {{QStringLiteral("api-key")}, " vorn_Ab-1_c\n", 0, QStringLiteral("vorn_Ab-1_c\n"), {}},
        {{QStringLiteral("api-key")},
         "vorn_a b",
         1,
         {},
         QStringLiteral(
             "The VORN API key must begin with vorn_ and contain only letters, digits, - and _ on a single "
             "line. Check for a line break copied with the key.\n")},
    };
    for (const Row& row : rows) {
        const CliRun r = runCli(row.args, row.input);
        EXPECT_EQ(r.status, row.status) << row.input.toStdString();
        EXPECT_EQ(r.out, row.out);
        EXPECT_EQ(r.err, row.err);
    }
}

TEST(Cli, UsageErrorsExitTwoWithAUsageLine)
{
    for (const QStringList& args : {QStringList{}, QStringList{QStringLiteral("bogus")},
                                    QStringList{QStringLiteral("normalize"), QStringLiteral("--x")},
                                    QStringList{QStringLiteral("api-key"), QStringLiteral("vorn_secret")}}) {
        const CliRun r = runCli(args);
        EXPECT_EQ(r.status, 2);
        EXPECT_TRUE(r.out.isEmpty());
        EXPECT_TRUE(r.err.contains(QStringLiteral("Usage: vorn-cite-cli"))) << r.err.toStdString();
        EXPECT_FALSE(r.err.contains(QStringLiteral("vorn_secret")))
            << "a key on the command line is never echoed";
    }
}
