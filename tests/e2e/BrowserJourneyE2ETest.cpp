// A sentence selected on a web page in Chromium from Debian, across a link inside it:
// Alt+Super+G reads it through the web document's accessibility (Chromium exposes the
// page with --force-renderer-accessibility) and sends the whole sentence.
#include "JourneySupport.h"

#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace DesktopFixtures;
using namespace Journey;

namespace {

const QString sentence =
    QStringLiteral("Aspirin taken daily lowers the risk of colorectal cancer in adults over fifty years.");

// A paragraph before the claim, the claim with a link in its middle, and a script
// that selects the claim the way a user's drag would leave it.
const char* page = R"(<!DOCTYPE html>
<html><head><meta charset="utf-8"><title>VORN web page</title></head>
<body>
<p>Guidelines change slowly and every page carries more than one claim.</p>
<p id="claim">Aspirin taken daily lowers the risk of <a href="https://example.org/crc">colorectal cancer</a> in adults over fifty years.</p>
<script>
  const claim = document.getElementById("claim");
  const range = document.createRange();
  range.setStart(claim.firstChild, 0);
  range.setEnd(claim.lastChild, claim.lastChild.length);
  const selection = window.getSelection();
  selection.removeAllRanges();
  selection.addRange(range);
</script>
</body></html>
)";

} // namespace

TEST(BrowserJourney, SelectionAcrossALinkInChromiumIsSentWhole)
{
    const QString chromium = QStandardPaths::findExecutable(QStringLiteral("chromium"));
    if (chromium.isEmpty())
        GTEST_SKIP() << "chromium is not installed (scripts/setup installs it)";
    LocalCiteService& service = LocalCiteService::shared();
    ASSERT_TRUE(service.isRunning());
    CiteApplication app;
    ASSERT_TRUE(app.start(service.demoArguments())) << app.standardError().toStdString();

    QTemporaryDir folder;
    {
        QFile file(folder.filePath(QStringLiteral("claim.html")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(page);
    }
    StartedApplication browser(
        chromium, {QStringLiteral("--no-sandbox"),
                   QStringLiteral("--user-data-dir=") + folder.filePath(QStringLiteral("profile")),
                   QStringLiteral("--no-first-run"), QStringLiteral("--no-default-browser-check"),
                   QStringLiteral("--disable-gpu"), QStringLiteral("--password-store=basic"),
                   QStringLiteral("--force-renderer-accessibility"),
                   QStringLiteral("--window-position=40,40"), QStringLiteral("--window-size=900,600"),
                   QStringLiteral("file://") + folder.filePath(QStringLiteral("claim.html"))});
    ASSERT_TRUE(browser.waitForWindow());
    // The page is there for assistive technologies once its document shows on the bus.
    QStringList seen;
    ASSERT_TRUE(waitForAccessible(browser.pid(), QStringLiteral("VORN web page"),
                                  QStringLiteral("document web"), 60000, &seen))
        << seen.join(QStringLiteral(", ")).toStdString();
    ASSERT_TRUE(browser.activate());
    ASSERT_TRUE(pressShortcut());
    const std::optional<LocalCiteService::Request> request = service.waitForRequest(sentence, waitMs);
    EXPECT_TRUE(request) << "sent: " << service.texts().join(u'|').toStdString() << "; "
                         << CiteProbe::property(QStringLiteral("ErrorMessage")).toString().toStdString();
    // Read from the page's accessibility, not copied (Compatibility Capture is on in the demo).
    EXPECT_EQ(CiteProbe::property(QStringLiteral("CaptureMethod")).toString(),
              QStringLiteral("accessibility"));
    EXPECT_TRUE(waitForShown(app, QStringLiteral("Literature evidence for the text you select")))
        << shownNames(app);
    EXPECT_TRUE(app.stop()) << app.standardError().toStdString();
}
