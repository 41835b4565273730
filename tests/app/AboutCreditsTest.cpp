// The About window's credits and the bundled texts behind them.
#include "ui/AboutDialog.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(AboutCredits, LinkTheBundledNoticesAndLicence)
{
    const QString bundled = QStringLiteral(":/app.vorn.cite");
    for (const QString& name : {QStringLiteral("LICENSE.txt"), QStringLiteral("THIRD-PARTY-NOTICES.txt"),
                                QStringLiteral("MenuBarIconTemplate.svg")}) {
        QFile file(bundled + u'/' + name);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
        EXPECT_GT(file.size(), 100);
    }
    const QString credits = AboutDialog::creditsHtml(bundled);
    EXPECT_TRUE(credits.contains(QStringLiteral("Literature evidence for the text you select.")));
    EXPECT_TRUE(credits.contains(QStringLiteral(">Third-party notices</a>")));
    EXPECT_TRUE(credits.contains(QStringLiteral("  \u00B7  <a href=\"license\">License</a>")));
}

TEST(AboutCredits, NoNoticesNoCreditsEvenWithALicence)
{
    QTemporaryDir folder;
    QFile licence(folder.filePath(QStringLiteral("LICENSE.txt")));
    ASSERT_TRUE(licence.open(QIODevice::WriteOnly));
    licence.write("MIT");
    licence.close();
    EXPECT_TRUE(AboutDialog::creditsHtml(folder.path()).isEmpty());

    QFile notices(folder.filePath(QStringLiteral("THIRD-PARTY-NOTICES.txt")));
    ASSERT_TRUE(notices.open(QIODevice::WriteOnly));
    notices.close();
    licence.remove();
    const QString credits = AboutDialog::creditsHtml(folder.path());
    EXPECT_TRUE(credits.contains(QStringLiteral("Third-party notices")));
    EXPECT_FALSE(credits.contains(QStringLiteral("License")));
}
