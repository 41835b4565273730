// The settings window and the tray menu on the offscreen platform: texts, order,
// enabled states, visibility rules and the operations they call.
#include "SettingsWindow.h"
#include "Buttons.h"
#include "MenuBarMenu.h"
#include "SettingsControls.h"
#include "SettingsPanes.h"
#include "SetupWindowsTestSupport.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTest>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

const QString validKey = QStringLiteral("vorn_abc-DEF_123");
const QString maskedKey = QStringLiteral("vorn_•••••••••••••••• (saved)");

class SettingsTest : public SetupWindowsTest
{
protected:
    std::unique_ptr<SettingsWindow> window;

    void open()
    {
        window = std::make_unique<SettingsWindow>(*coordinator);
        window->show();
        drain();
    }
};

TEST_F(SettingsTest, SidebarListsThePanesAndSelectsOne)
{
    open();
    EXPECT_EQ(window->windowTitle(), QStringLiteral("VORN Cite Settings"));
    EXPECT_EQ(window->minimumSize(), QSize(600, 440));
    EXPECT_EQ(window->pane(), SettingsWindow::Pane::general);
    const QStringList names = {u"General settings"_s, u"Literature settings"_s, u"Privacy settings"_s};
    const SettingsWindow::Pane panes[] = {SettingsWindow::Pane::general, SettingsWindow::Pane::literature,
                                          SettingsWindow::Pane::privacy};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(window->sidebarEntry(panes[i])->accessibleName(), names[i]);
        EXPECT_EQ(window->sidebarEntry(panes[i])->isChecked(), i == 0);
    }
    QTest::mouseClick(window->sidebarEntry(SettingsWindow::Pane::privacy), Qt::LeftButton);
    EXPECT_EQ(window->pane(), SettingsWindow::Pane::privacy);
    EXPECT_TRUE(window->sidebarEntry(SettingsWindow::Pane::privacy)->isChecked());
    EXPECT_FALSE(window->sidebarEntry(SettingsWindow::Pane::general)->isChecked());
    EXPECT_TRUE(window->privacyPane()->isVisible());
    EXPECT_FALSE(window->generalPane()->isVisible());
}

TEST_F(SettingsTest, CtrlCommaInsideTheWindowShowsTheSettings)
{
    open();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    QTest::keyClick(window.get(), Qt::Key_Comma, Qt::ControlModifier);
    EXPECT_EQ(windows->settingsShown, 1);
}

TEST_F(SettingsTest, AttentionGroupOnlyWhileTheWarningShows)
{
    open();
    GeneralSettingsPane* general = window->generalPane();
    EXPECT_FALSE(general->attentionGroup()->isVisibleTo(general));

    settings->setHasCompletedOnboarding(true);
    permission->trusted = false;
    coordinator->refreshAccessibilityStatus();
    ASSERT_TRUE(coordinator->accessibilityWarning().has_value());
    EXPECT_TRUE(general->attentionGroup()->isVisibleTo(general));
    EXPECT_EQ(general->attentionRow()->label()->text(), QStringLiteral("Accessibility access was lost"));
    EXPECT_EQ(general->attentionRow()->description()->text(), *coordinator->accessibilityWarning());
    auto* open = general->attentionGroup()->findChild<StyledButton*>();
    ASSERT_NE(open, nullptr);
    EXPECT_EQ(open->text(), QStringLiteral("Open System Settings"));
    QTest::mouseClick(open, Qt::LeftButton);
    EXPECT_EQ(permission->settingsOpened, 1);

    permission->trusted = true;
    coordinator->refreshAccessibilityStatus();
    EXPECT_FALSE(general->attentionGroup()->isVisibleTo(general));
}

TEST_F(SettingsTest, HotKeyDescriptionCarriesTheUnavailableNoteOnlyAfterARefusal)
{
    const QString plain = QStringLiteral("Press Alt+Super+G to find citations.");
    const QString refused =
        plain + QStringLiteral(" The shortcut is currently unavailable — quit other apps that register "
                               "Alt+Super+G.");
    open();
    GeneralSettingsPane* general = window->generalPane();
    EXPECT_EQ(general->hotKeyRow()->description()->text(), plain) << "no registration attempted";

    hotKey->outcome = GlobalHotKeyRegistrationReport{GlobalHotKeyAvailability::unavailable(10)};
    coordinator->start();
    EXPECT_EQ(general->hotKeyRow()->description()->text(), refused);
    coordinator->stop();

    hotKey->outcome = GlobalHotKeyRegistrationReport{GlobalHotKeyAvailability::registered()};
    coordinator->start();
    EXPECT_EQ(general->hotKeyRow()->description()->text(), plain);
    coordinator->stop();

    // A desktop that lets no program take a shortcut: what to bind instead, not a conflict.
    hotKey->outcome = std::unexpected(GlobalHotKeyError::desktopShortcutRequired());
    coordinator->start();
    EXPECT_EQ(general->hotKeyRow()->description()->text(),
              plain + u' ' + GlobalHotKeyError::desktopShortcutRequired().errorDescription());
    EXPECT_TRUE(general->hotKeyRow()->description()->text().contains(u"vorn-cite --find-selection"));
    coordinator->stop();

    auto* pill = general->hotKeyRow()->findChild<TextPill*>();
    ASSERT_NE(pill, nullptr);
    EXPECT_EQ(pill->text(), QStringLiteral("Alt+Super+G"));
    EXPECT_EQ(pill->accessibleName(), QStringLiteral("Hot key: Alt Super G"));
}

TEST_F(SettingsTest, BadgeSwitchShowsAndWritesTheSetting)
{
    settings->setHasCompletedOnboarding(true);
    open();
    LabeledSwitch* badge = window->generalPane()->badgeSwitch();
    EXPECT_EQ(badge->accessibleName(), QStringLiteral("Show automatic selection badge"));
    EXPECT_FALSE(badge->isChecked());
    QTest::mouseClick(badge, Qt::LeftButton);
    EXPECT_TRUE(settings->automaticSelectionEnabled());
    EXPECT_TRUE(settings->hasExplicitAutomaticSelectionChoice());
    settings->setAutomaticSelectionEnabled(false);
    EXPECT_FALSE(badge->isChecked());
}

TEST_F(SettingsTest, BadgeSwitchBeforeOnboardingLeadsToOnboarding)
{
    open();
    LabeledSwitch* badge = window->generalPane()->badgeSwitch();
    QTest::mouseClick(badge, Qt::LeftButton);
    EXPECT_FALSE(settings->automaticSelectionEnabled());
    EXPECT_FALSE(badge->isChecked());
    EXPECT_EQ(windows->onboardingShown, 1);
}

namespace {

// A desktop that cannot watch other applications' input (Wayland).
class UnavailableMonitor final : public AutomaticSelectionMonitoring
{
public:
    bool isEnabled() const override { return false; }
    std::optional<QString> unavailableReason() const override { return QStringLiteral("No gestures here."); }
    void start(Handler, std::function<void()>) override {}
    void stop() override {}
};

} // namespace

TEST_F(SettingsTest, WithoutGlobalInputTheBadgeRowSaysWhyInsteadOfASwitch)
{
    selectionMonitor = std::make_shared<UnavailableMonitor>();
    makeCoordinator();
    open();
    EXPECT_FALSE(window->generalPane()->badgeSwitch()->isVisibleTo(window.get()));
    const QList<QLabel*> labels = window->generalPane()->findChildren<QLabel*>();
    EXPECT_TRUE(std::any_of(labels.begin(), labels.end(),
                            [](const QLabel* label) { return label->text() == u"No gestures here."; }));
}

TEST_F(SettingsTest, LaunchAtLoginFollowsTheLoginItem)
{
    struct Case
    {
        LaunchAtLoginStatus status;
        bool checked;
        bool enabled;
        bool approve;
    };
    const Case cases[] = {
        {LaunchAtLoginStatus::disabled, false, true, false},
        {LaunchAtLoginStatus::enabled, true, true, false},
        {LaunchAtLoginStatus::requiresApproval, false, true, true},
        {LaunchAtLoginStatus::unavailable, false, false, false},
    };
    open();
    GeneralSettingsPane* general = window->generalPane();
    for (const Case& c : cases) {
        loginItem->current = c.status;
        coordinator->refreshLaunchAtLoginStatus();
        EXPECT_EQ(general->launchSwitch()->isChecked(), c.checked) << int(c.status);
        EXPECT_EQ(general->launchSwitch()->isEnabled(), c.enabled) << int(c.status);
        EXPECT_EQ(general->approveButton()->isVisibleTo(general), c.approve) << int(c.status);
    }
    loginItem->current = LaunchAtLoginStatus::requiresApproval;
    coordinator->refreshLaunchAtLoginStatus();
    QTest::mouseClick(general->approveButton(), Qt::LeftButton);
    EXPECT_EQ(loginItem->approvals, 1);

    loginItem->current = LaunchAtLoginStatus::disabled;
    coordinator->refreshLaunchAtLoginStatus();
    QTest::mouseClick(general->launchSwitch(), Qt::LeftButton);
    EXPECT_EQ(coordinator->launchAtLoginStatus(), LaunchAtLoginStatus::enabled);
    EXPECT_TRUE(general->launchSwitch()->isChecked());

    loginItem->failure = QStringLiteral("The autostart folder is not writable.");
    QTest::mouseClick(general->launchSwitch(), Qt::LeftButton);
    EXPECT_EQ(general->launchMessage(), loginItem->failure);
    EXPECT_EQ(general->launchRow()->description()->text(), *loginItem->failure);
    EXPECT_EQ(coordinator->launchAtLoginStatus(), LaunchAtLoginStatus::enabled);
    EXPECT_TRUE(general->launchSwitch()->isChecked()) << "the switch shows the unchanged status";

    loginItem->failure.reset();
    QTest::mouseClick(general->launchSwitch(), Qt::LeftButton);
    EXPECT_FALSE(general->launchMessage().has_value());
    EXPECT_FALSE(general->launchRow()->description()->isVisibleTo(general));
}

TEST_F(SettingsTest, KeyGroupSavesRemovesAndExplains)
{
    open();
    window->selectPane(SettingsWindow::Pane::literature);
    LiteratureSettingsPane* pane = window->literaturePane();
    EXPECT_EQ(pane->keyField()->placeholderText(), QStringLiteral("vorn_…"));
    EXPECT_EQ(pane->keyField()->width(), 220);
    EXPECT_FALSE(pane->removeButton()->isVisibleTo(pane)) << "no key stored";
    EXPECT_EQ(pane->removeButton()->toolTip(), QStringLiteral("Delete the stored key from the keyring"));
    EXPECT_FALSE(pane->saveButton()->isEnabled());

    pane->keyField()->setText(QStringLiteral("vorn_bad key"));
    QTest::mouseClick(pane->saveButton(), Qt::LeftButton);
    EXPECT_EQ(pane->keyMessage(), VORNAPIKeyStoreError::invalidKey().errorDescription());
    EXPECT_EQ(pane->keyField()->text(), QStringLiteral("vorn_bad key"));

    pane->keyField()->setText(validKey);
    QTest::mouseClick(pane->saveButton(), Qt::LeftButton);
    EXPECT_EQ(keyStore->key, validKey);
    EXPECT_FALSE(pane->keyMessage().has_value());
    EXPECT_TRUE(pane->keyField()->text().isEmpty());
    EXPECT_EQ(pane->keyField()->placeholderText(), maskedKey);
    EXPECT_TRUE(pane->removeButton()->isVisibleTo(pane));

    QTest::mouseClick(pane->removeButton(), Qt::LeftButton);
    EXPECT_FALSE(keyStore->key.has_value());
    EXPECT_EQ(pane->keyMessage(), QStringLiteral("API key removed."));
    EXPECT_EQ(pane->keyMessageLabel()->text(), QStringLiteral("API key removed."));
    EXPECT_EQ(pane->keyField()->placeholderText(), QStringLiteral("vorn_…"));
    EXPECT_FALSE(pane->removeButton()->isVisibleTo(pane));
}

TEST_F(SettingsTest, AnUnreadableKeyIsExplainedAndCanBeRemoved)
{
    keyStore->loadError = VORNAPIKeyStoreError::invalidStoredValue();
    open();
    window->selectPane(SettingsWindow::Pane::literature);
    drain();
    LiteratureSettingsPane* pane = window->literaturePane();
    EXPECT_TRUE(pane->removeButton()->isVisibleTo(pane));
    EXPECT_TRUE(pane->unreadableLabel()->isVisibleTo(pane));
    EXPECT_EQ(pane->unreadableLabel()->text(),
              QStringLiteral("A key is saved but could not be read: ") +
                  VORNAPIKeyStoreError::invalidStoredValue().errorDescription() +
                  QStringLiteral(" Save it again to replace it, or remove it."));
    EXPECT_EQ(pane->unreadableLabel()->tone(), ThemedLabel::Tone::danger);
    QTest::mouseClick(pane->removeButton(), Qt::LeftButton);
    EXPECT_EQ(keyStore->deletes, 1);
    EXPECT_FALSE(pane->unreadableLabel()->isVisibleTo(pane));
}

TEST_F(SettingsTest, ResultsGroupWritesEvidenceAndTheCacheDuration)
{
    open();
    window->selectPane(SettingsWindow::Pane::literature);
    LiteratureSettingsPane* pane = window->literaturePane();
    SelectPill* cache = pane->cachePill();
    EXPECT_EQ(cache->accessibleName(), QStringLiteral("Cache duration"));
    QStringList titles;
    for (int i = 0; i < cache->count(); ++i)
        titles.append(cache->itemText(i));
    EXPECT_EQ(titles, (QStringList{u"Off"_s, u"5 min"_s, u"15 min"_s, u"1 hour"_s}));
    EXPECT_EQ(cache->selectedTag(), 15);

    const std::pair<int, int> picks[] = {{0, 0}, {1, 5}, {3, 60}, {2, 15}};
    for (const auto& [index, minutes] : picks) {
        cache->setCurrentIndex(index);
        emit cache->activated(index);
        EXPECT_EQ(settings->cacheDurationMinutes(), minutes);
        EXPECT_EQ(settings->store().value(AppSettings::cacheDurationMinutesKey).toInt(), minutes);
    }
    settings->setCacheDurationMinutes(5);
    EXPECT_EQ(cache->selectedTag(), 5);

    EXPECT_TRUE(pane->evidenceSwitch()->isChecked());
    QTest::mouseClick(pane->evidenceSwitch(), Qt::LeftButton);
    EXPECT_FALSE(settings->includeEvidence());
}

TEST_F(SettingsTest, CopyFallbackSwitchRecordsAnExplicitChoice)
{
    open();
    window->selectPane(SettingsWindow::Pane::privacy);
    LabeledSwitch* copy = window->privacyPane()->copyFallbackSwitch();
    EXPECT_EQ(copy->accessibleName(), QStringLiteral("Allow temporary Copy fallback"));
    EXPECT_FALSE(settings->hasExplicitCompatibilityCaptureChoice());
    QTest::mouseClick(copy, Qt::LeftButton);
    QTest::mouseClick(copy, Qt::LeftButton);
    EXPECT_FALSE(settings->compatibilityCaptureEnabled());
    EXPECT_TRUE(settings->hasExplicitCompatibilityCaptureChoice());
    EXPECT_EQ(settings->store().value(AppSettings::compatibilityCaptureKey).toString(),
              QStringLiteral("false"));
    settings->applyRecommendedPrivacyDefaultsIfUnset();
    EXPECT_FALSE(copy->isChecked()) << "an explicit off stays off";

    QStringList texts;
    for (const QLabel* label : window->privacyPane()->findChildren<QLabel*>())
        texts.append(label->text());
    EXPECT_TRUE(texts.contains(
        QStringLiteral("Sent only after you click the badge, press Alt+Super+G, or choose Find Citations.")));
    EXPECT_TRUE(std::any_of(texts.begin(), texts.end(), [](const QString& t) {
        return t.contains(QStringLiteral("the selected text is read on this computer; it never leaves"));
    }));
}

// The tray menu

class MenuTest : public SetupWindowsTest
{
protected:
    [[nodiscard]] static QStringList itemsOf(const QMenu& menu)
    {
        QStringList items;
        for (const QAction* action : menu.actions()) {
            if (!action->isVisible())
                continue;
            // The title, without the shortcut hint after the tab.
            items.append(action->isSeparator() ? QStringLiteral("—") : action->text().section(u'\t', 0, 0));
        }
        return items;
    }
};

TEST_F(MenuTest, ItemsInOrderWithTheirHints)
{
    MenuBarMenu menu(*coordinator);
    EXPECT_EQ(itemsOf(*menu.menu()),
              (QStringList{u"Find Citations"_s, u"—"_s, u"Show Selection Badge"_s, u"—"_s, u"Settings…"_s,
                           u"About VORN Cite"_s, u"—"_s, u"Quit VORN Cite"_s}));
    EXPECT_EQ(menu.findCitations()->text().section(u'\t', 1), QStringLiteral("Alt+Super+G"));
    EXPECT_EQ(menu.settings()->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Comma));
    EXPECT_EQ(menu.quit()->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));
    EXPECT_FALSE(menu.update()->isVisible()) << "no updater on this desktop";
}

TEST_F(MenuTest, AccessibilityItemOnlyWhileTheWarningShows)
{
    MenuBarMenu menu(*coordinator);
    settings->setHasCompletedOnboarding(true);
    permission->trusted = false;
    coordinator->refreshAccessibilityStatus();
    EXPECT_EQ(itemsOf(*menu.menu()), (QStringList{u"Find Citations"_s, u"—"_s, u"Show Selection Badge"_s,
                                                  u"Accessibility Access Needed…"_s, u"—"_s, u"Settings…"_s,
                                                  u"About VORN Cite"_s, u"—"_s, u"Quit VORN Cite"_s}));
    menu.accessibilityNeeded()->trigger();
    EXPECT_EQ(permission->settingsOpened, 1);
    permission->trusted = true;
    coordinator->refreshAccessibilityStatus();
    EXPECT_FALSE(menu.accessibilityNeeded()->isVisible());
}

TEST_F(MenuTest, BadgeItemIsOnOnlyWithTheSettingAndCompletedOnboarding)
{
    MenuBarMenu menu(*coordinator);
    settings->setAutomaticSelectionEnabled(true);
    EXPECT_FALSE(menu.selectionBadge()->isChecked()) << "onboarding not completed";
    settings->setHasCompletedOnboarding(true);
    EXPECT_TRUE(menu.selectionBadge()->isChecked());
    menu.selectionBadge()->trigger();
    EXPECT_FALSE(settings->automaticSelectionEnabled());
    EXPECT_FALSE(menu.selectionBadge()->isChecked());
}

TEST_F(MenuTest, ItemsCallTheCoordinator)
{
    MenuBarMenu menu(*coordinator);
    int quits = 0;
    QObject::connect(&menu, &MenuBarMenu::quitRequested, [&] { ++quits; });
    menu.settings()->trigger();
    menu.about()->trigger();
    menu.quit()->trigger();
    EXPECT_EQ(windows->settingsShown, 1);
    EXPECT_EQ(windows->aboutShown, 1);
    EXPECT_EQ(quits, 1);
    menu.findCitations()->trigger();
    EXPECT_TRUE(provider->captures.isEmpty()) << "not while the menu holds the keyboard";
    drain();
    EXPECT_EQ(provider->captures.size(), 1);
}

TEST_F(MenuTest, UpdateTitleNamesAPendingVersion)
{
    EXPECT_EQ(MenuBarMenu::updateTitle(std::nullopt), QStringLiteral("Check for Updates…"));
    EXPECT_EQ(MenuBarMenu::updateTitle(QStringLiteral("1.4.0")), QStringLiteral("Update Available: 1.4.0…"));
}

TEST_F(MenuTest, TrayIconIsTintedWithTheGivenColour)
{
    const QIcon icon = tintedTrayIcon(QColor(Qt::red));
    ASSERT_FALSE(icon.isNull());
    const QImage image = icon.pixmap(32, 32).toImage();
    int painted = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            if (pixel.alpha() == 255) {
                ++painted;
                EXPECT_EQ(pixel.rgb(), QColor(Qt::red).rgb());
            }
        }
    EXPECT_GT(painted, 50);
}

} // namespace

namespace {

// A change of the desktop's appearance reaches the themed texts without a restart.
TEST_F(SettingsTest, TextsFollowAChangeOfAppearance)
{
    open();
    window->selectPane(SettingsWindow::Pane::literature);
    ThemedLabel* unreadable = window->literaturePane()->unreadableLabel();
    SettingsRow* hotKey = window->generalPane()->hotKeyRow();
    const QPalette light = QApplication::palette();
    ASSERT_FALSE(Theme::isDarkPalette(light));
    EXPECT_EQ(unreadable->palette().color(QPalette::WindowText), Theme::light().danger);

    QPalette dark = light;
    dark.setColor(QPalette::Window, QColor(30, 30, 32));
    dark.setColor(QPalette::WindowText, QColor(238, 238, 242));
    dark.setColor(QPalette::PlaceholderText, QColor(238, 238, 242, 140));
    QApplication::setPalette(dark);
    drain();
    EXPECT_EQ(unreadable->palette().color(QPalette::WindowText), Theme::dark().danger);
    EXPECT_EQ(hotKey->label()->palette().color(QPalette::WindowText), QColor(238, 238, 242));
    EXPECT_EQ(hotKey->description()->palette().color(QPalette::WindowText), QColor(238, 238, 242, 140));
    QApplication::setPalette(light);
    drain();
    EXPECT_EQ(unreadable->palette().color(QPalette::WindowText), Theme::light().danger);
}

} // namespace
