#include "AccessibilitySelectionProvider.h"
#include "AppSettings.h"
#include "CaptureDiagnostics.h"
#include "ScriptedAccessibilityTree.h"

#include <gtest/gtest.h>

namespace {

QStringList captureLines;

void recordCaptureLines(QtMsgType, const QMessageLogContext& context, const QString& message)
{
    if (context.category && QByteArray(context.category) == "app.vorn.cite.capture")
        captureLines.append(message);
}

class AlwaysTrusted final : public AccessibilityPermissionManaging
{
public:
    bool isTrusted() const override { return true; }
    bool checkTrust(bool) override { return true; }
    void openAccessibilitySettings() override {}
};

class OneApplication final : public RunningApplicationsProviding
{
public:
    std::optional<SelectionSource> frontmostApplication() override { return application(4242); }
    SelectionSource application(qint32 pid) override
    {
        return SelectionSource{pid, pid == 4242 ? std::optional(QStringLiteral("Editor")) : std::nullopt,
                               std::nullopt};
    }
};

} // namespace

// With the switch on at launch, each capture writes one line naming where the
// selection was found, and no line contains the selected text.
TEST(CaptureDiagnostics, CaptureLinesNameTheStrategyButNeverTheText)
{
    AppSettings::standardStore()->setValue(AppSettings::captureLoggingKey, true);
    ASSERT_TRUE(CaptureDiagnostics::isEnabled());
    const QtMessageHandler previous = qInstallMessageHandler(recordCaptureLines);

    auto tree = std::make_shared<ScriptedAccessibilityTree>();
    const auto window = tree->add(QStringLiteral("AXWindow"));
    const auto web = tree->add(QStringLiteral("AXWebArea"), window);
    const auto field =
        tree->add(QStringLiteral("AXTextArea"), tree->addChain(QStringLiteral("AXGroup"), web, 2));
    const QString secret = QStringLiteral("Aspirin \U0001F600 reduces fever.");
    tree->node(web).hasMarkerRange = true;
    tree->node(web).markerString = secret;
    tree->focused = field;
    AccessibilitySelectionProvider::Environment env;
    env.accessibility = tree;
    env.applications = std::make_shared<OneApplication>();
    AccessibilitySelectionProvider provider(std::make_shared<AlwaysTrusted>(), env);

    ASSERT_TRUE(provider.captureSelection());
    tree->node(web).hasMarkerRange = false;
    const auto holder = tree->addChain(QStringLiteral("AXGroup"), field, 4);
    tree->select(holder, secret);
    ASSERT_TRUE(provider.captureSelection());
    tree->select(field, secret);
    ASSERT_TRUE(provider.captureSelection());
    tree->node(field).selectedText.reset();
    tree->node(field).selectedRange.reset();
    tree->node(holder).selectedText.reset();
    tree->node(holder).selectedRange.reset();
    ASSERT_FALSE(provider.captureSelection(DescendantSearch::shallow));
    qInstallMessageHandler(previous);

    const QStringList expected = {
        QStringLiteral("ax: found selection \u2014 app=Editor focusedRole=AXTextArea holderRole=AXWebArea "
                       "via=ancestor-3/webarea chars=24"),
        QStringLiteral("ax: found selection \u2014 app=Editor focusedRole=AXTextArea holderRole=AXGroup "
                       "via=descendant-4 chars=24"),
        QStringLiteral("ax: found selection \u2014 app=Editor focusedRole=AXTextArea holderRole=AXTextArea "
                       "via=focused chars=24"),
        QStringLiteral("ax: no selected text \u2014 app=Editor focusedRole=AXTextArea search=shallow"),
    };
    EXPECT_EQ(captureLines, expected);
    for (const QString& line : captureLines)
        EXPECT_FALSE(line.contains(QStringLiteral("Aspirin")));
}
