// vorn-cite-windows-demo: the onboarding steps and the settings panes in canned states,
// for developers and scripts/screenshots.
//
//   vorn-cite-windows-demo [--state NAME] [--dark]           shows the window
//   vorn-cite-windows-demo --screenshots DIR [--state NAME]  writes PNGs (light and dark)
//
// NAME is one of onboarding-welcome, onboarding-welcome-no-tray, onboarding-access,
// onboarding-access-granted, onboarding-key, onboarding-choices, settings-general,
// settings-general-warning, settings-literature, settings-literature-unreadable,
// settings-privacy, badge.

#include "AppCoordinator.h"
#include "Motion.h"
#include "OnboardingWindow.h"
#include "SelectionBadgeView.h"
#include "SettingsWindow.h"
#include "literature/VORNAPIKeyFormat.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QStyle>
#include <QStyleFactory>
#include <QTemporaryDir>
#include <QTextStream>

namespace {

class DemoKeyStore final : public VORNAPIKeyStoring
{
public:
    std::optional<QString> key;
    bool unreadable = false;
    std::expected<std::optional<QString>, VORNAPIKeyStoreError> loadAPIKey() override
    {
        if (unreadable)
            return std::unexpected(VORNAPIKeyStoreError::invalidStoredValue());
        return key;
    }
    std::expected<void, VORNAPIKeyStoreError> saveAPIKey(const QString& k) override
    {
        const std::optional<QString> normalized = VORNAPIKeyFormat::normalize(k);
        if (!normalized)
            return std::unexpected(VORNAPIKeyStoreError::invalidKey());
        key = normalized;
        return {};
    }
    std::expected<void, VORNAPIKeyStoreError> deleteAPIKey() override
    {
        key.reset();
        return {};
    }
};

class DemoPermission final : public AccessibilityPermissionManaging
{
public:
    bool trusted = false;
    bool isTrusted() const override { return trusted; }
    bool checkTrust(bool) override { return trusted; }
    void openAccessibilitySettings() override {}
};

class DemoLoginItem final : public LaunchAtLoginManaging
{
public:
    LaunchAtLoginStatus current = LaunchAtLoginStatus::enabled;
    LaunchAtLoginStatus status() const override { return current; }
    std::expected<void, LaunchAtLoginError> setEnabled(bool enabled) override
    {
        current = enabled ? LaunchAtLoginStatus::enabled : LaunchAtLoginStatus::disabled;
        return {};
    }
    void openLoginItemsSettings() override {}
};

const QStringList stateNames = {
    QStringLiteral("onboarding-welcome"),  QStringLiteral("onboarding-welcome-no-tray"),
    QStringLiteral("onboarding-access"),   QStringLiteral("onboarding-access-granted"),
    QStringLiteral("onboarding-key"),      QStringLiteral("onboarding-choices"),
    QStringLiteral("settings-general"),    QStringLiteral("settings-general-warning"),
    QStringLiteral("settings-literature"), QStringLiteral("settings-literature-unreadable"),
    QStringLiteral("settings-privacy"),    QStringLiteral("badge"),
};

QPalette darkPalette()
{
    QPalette p;
    const QColor window = QColor::fromRgbF(0.12f, 0.12f, 0.13f);
    const QColor text = QColor::fromRgbF(0.93f, 0.93f, 0.95f);
    p.setColor(QPalette::Window, window);
    p.setColor(QPalette::Base, QColor::fromRgbF(0.16f, 0.16f, 0.18f));
    p.setColor(QPalette::AlternateBase, window);
    p.setColor(QPalette::Button, QColor::fromRgbF(0.2f, 0.2f, 0.22f));
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText, QPalette::ToolTipText})
        p.setColor(role, text);
    QColor placeholder = text;
    placeholder.setAlphaF(0.55f);
    p.setColor(QPalette::PlaceholderText, placeholder);
    p.setColor(QPalette::Highlight, QColor::fromRgbF(0.2f, 0.467f, 0.984f));
    p.setColor(QPalette::HighlightedText, Qt::white);
    return p;
}

// A coordinator over the demo's services, with its settings in a temporary folder.
struct Demo
{
    QTemporaryDir folder;
    std::shared_ptr<DemoKeyStore> keyStore = std::make_shared<DemoKeyStore>();
    std::shared_ptr<DemoPermission> permission = std::make_shared<DemoPermission>();
    std::shared_ptr<AppSettings> settings;
    std::unique_ptr<AppCoordinator> coordinator;

    Demo()
    {
        settings = std::make_shared<AppSettings>(std::make_unique<QSettings>(
            folder.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat));
        AppCoordinator::Dependencies deps;
        deps.settings = settings;
        deps.permissionManager = permission;
        deps.launchAtLoginManager = std::make_shared<DemoLoginItem>();
        coordinator = std::make_unique<AppCoordinator>(keyStore, deps);
    }
};

// The window of state, shown and settled.
std::unique_ptr<QWidget> enter(Demo& demo, const QString& state)
{
    AppCoordinator& c = *demo.coordinator;
    if (state.startsWith(QLatin1String("onboarding"))) {
        const bool noTray = state == QLatin1String("onboarding-welcome-no-tray");
        demo.permission->trusted = state == QLatin1String("onboarding-access-granted") ||
                                   state == QLatin1String("onboarding-key") ||
                                   state == QLatin1String("onboarding-choices");
        auto window =
            std::make_unique<OnboardingWindow>(c, OnboardingWindow::Options{.trayAvailable = !noTray});
        window->show();
        int steps = 0;
        if (state.startsWith(QLatin1String("onboarding-access")))
            steps = 1;
        else if (state == QLatin1String("onboarding-key"))
            steps = 2;
        else if (state == QLatin1String("onboarding-choices"))
            steps = 3;
        for (int i = 0; i < steps; ++i) {
            if (i == 2)
                demo.keyStore->key = QStringLiteral("vorn_demo-key");
            if (i == 2 && state == QLatin1String("onboarding-choices"))
                c.refreshCredentialStatus();
            window->continueToNextStep();
        }
        if (state == QLatin1String("onboarding-key")) {
            demo.keyStore->key.reset();
            window->keyField()->setText(QStringLiteral("vorn_not a key"));
            window->saveKey();
        }
        return window;
    }
    if (state == QLatin1String("badge")) {
        // The badge beside a selection's last line, as it appears after a drag.
        auto window = std::make_unique<QWidget>();
        window->setAutoFillBackground(true);
        auto* layout = new QHBoxLayout(window.get());
        layout->setContentsMargins(16, 4, 4, 4);
        auto* text = new QLabel(QStringLiteral("Aspirin reduces fever in adults with influenza."));
        QPalette selected = text->palette();
        selected.setColor(QPalette::Window, selected.color(QPalette::Highlight));
        selected.setColor(QPalette::WindowText, selected.color(QPalette::HighlightedText));
        text->setPalette(selected);
        text->setAutoFillBackground(true);
        layout->addWidget(text, 0, Qt::AlignBottom);
        layout->setSpacing(0);
        layout->addWidget(new SelectionBadgeView(), 0, Qt::AlignTop);
        layout->addStretch(1);
        window->show();
        return window;
    }
    auto window = std::make_unique<SettingsWindow>(c);
    if (state == QLatin1String("settings-general-warning")) {
        demo.settings->setHasCompletedOnboarding(true);
        c.refreshAccessibilityStatus();
    }
    if (state == QLatin1String("settings-literature"))
        demo.keyStore->key = QStringLiteral("vorn_demo-key");
    if (state == QLatin1String("settings-literature-unreadable"))
        demo.keyStore->unreadable = true;
    if (state.startsWith(QLatin1String("settings-literature")))
        window->selectPane(SettingsWindow::Pane::literature);
    if (state == QLatin1String("settings-privacy"))
        window->selectPane(SettingsWindow::Pane::privacy);
    window->show();
    return window;
}

void setAppearance(bool dark)
{
    QApplication::setPalette(dark ? darkPalette() : QApplication::style()->standardPalette());
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("vorn-cite-windows-demo"));
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Shows the onboarding or the settings in a canned state."));
    parser.addHelpOption();
    const QCommandLineOption stateOption(QStringLiteral("state"),
                                         QStringLiteral("One of: ") + stateNames.join(u", "),
                                         QStringLiteral("name"), QStringLiteral("onboarding-welcome"));
    const QCommandLineOption darkOption(QStringLiteral("dark"), QStringLiteral("Dark appearance."));
    const QCommandLineOption screenshotsOption(
        QStringLiteral("screenshots"), QStringLiteral("Write PNGs of every state (or --state) into folder."),
        QStringLiteral("folder"));
    parser.addOptions({stateOption, darkOption, screenshotsOption});
    parser.process(app);

    const QString state = parser.value(stateOption);
    QTextStream err(stderr);
    if (!stateNames.contains(state)) {
        err << "unknown state " << state << "; one of " << stateNames.join(u", ") << '\n';
        return 2;
    }

    if (parser.isSet(screenshotsOption)) {
        Motion::setEnabled(false);
        const QDir folder(parser.value(screenshotsOption));
        if (!QDir().mkpath(folder.path())) {
            err << "cannot create " << folder.path() << '\n';
            return 1;
        }
        const QStringList states = parser.isSet(stateOption) ? QStringList{state} : stateNames;
        for (const QString& name : states) {
            for (const bool dark : {false, true}) {
                setAppearance(dark);
                Demo demo;
                const std::unique_ptr<QWidget> window = enter(demo, name);
                for (int i = 0; i < 10; ++i)
                    QApplication::processEvents();
                const QString file =
                    folder.filePath(QStringLiteral("%1-%2.png").arg(name, dark ? u"dark" : u"light"));
                if (!window->grab().save(file)) {
                    err << "cannot write " << file << '\n';
                    return 1;
                }
                QTextStream(stdout) << file << '\n';
            }
        }
        return 0;
    }

    setAppearance(parser.isSet(darkOption));
    Demo demo;
    const std::unique_ptr<QWidget> window = enter(demo, state);
    QApplication::setQuitOnLastWindowClosed(true);
    return QApplication::exec();
}
