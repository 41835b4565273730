#include "CliRun.h"

#include <gtest/gtest.h>

// Runs against the throwaway keyring of tests/support/with-secret-service.
TEST(CliKey, SetStatusRemove)
{
    runCli({QStringLiteral("key"), QStringLiteral("remove")});
    const QString masked =
        QStringLiteral("vorn_") + QString(16, QChar(0x2022)) + QStringLiteral(" (saved)\n");
    struct Row
    {
        QStringList args;
        QByteArray input;
        int status;
        QString out;
        QString err;
    };
    const QList<Row> rows = {
        {{QStringLiteral("key"), QStringLiteral("status")},
         {},
         0,
         QStringLiteral("No VORN API key is stored.\n"),
         {}},
        {{QStringLiteral("key"), QStringLiteral("set")},
         "vorn_bad key\n",
         1,
         {},
         QStringLiteral(
             "Enter a VORN API key beginning with vorn_ (letters, digits, - and _ only, on one line).\n")},
        {{QStringLiteral("key"), QStringLiteral("set")},
         " vorn_Secret-1\n",
         0,
         QStringLiteral("VORN API key saved securely.\n"),
         {}},
        {{QStringLiteral("key"), QStringLiteral("status")}, {}, 0, masked, {}},
        {{QStringLiteral("key"), QStringLiteral("remove")}, {}, 0, QStringLiteral("API key removed.\n"), {}},
        {{QStringLiteral("key"), QStringLiteral("status")},
         {},
         0,
         QStringLiteral("No VORN API key is stored.\n"),
         {}},
        {{QStringLiteral("key")}, {}, 2, {}, {}},
        {{QStringLiteral("key"), QStringLiteral("set"), QStringLiteral("vorn_onTheCommandLine")},
         {},
         2,
         {},
         {}},
        // A key given where an action, a subcommand or an option value belongs is never echoed.
        {{QStringLiteral("key"), QStringLiteral("vorn_onTheCommandLine")}, {}, 2, {}, {}},
        {{QStringLiteral("vorn_onTheCommandLine")}, {}, 2, {}, {}},
        {{QStringLiteral("format"), QStringLiteral("--style"), QStringLiteral("vorn_onTheCommandLine")},
         {},
         2,
         {},
         {}},
        {{QStringLiteral("normalize"), QStringLiteral("VORN_onTheCommandLine")}, {}, 2, {}, {}},
    };
    for (const Row& row : rows) {
        const CliRun r = runCli(row.args, row.input);
        EXPECT_EQ(r.status, row.status) << row.args.join(u' ').toStdString();
        EXPECT_EQ(r.out, row.out);
        if (row.status != 2) {
            EXPECT_EQ(r.err, row.err);
        }
        EXPECT_FALSE(r.err.contains(QStringLiteral("onTheCommandLine"))) << r.err.toStdString();
    }
}
