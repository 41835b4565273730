#include "MenuBarMenu.h"

#include "AppCoordinator.h"

#include <QFile>
#include <QIcon>
#include <QMenu>
#include <QPainter>
#include <QSvgRenderer>

MenuBarMenu::MenuBarMenu(AppCoordinator& coordinator, QObject* parent)
    : QObject(parent), m_coordinator(coordinator), m_menu(std::make_unique<QMenu>())
{
    AppCoordinator* c = &m_coordinator;
    QMenu* menu = m_menu.get();
    menu->setAccessibleName(QStringLiteral("VORN Cite"));

    // The shortcuts are hints: Alt+Super+G is the desktop-wide key grab, Ctrl+, and
    // Ctrl+Q act inside the application's windows.
    // Qt would name the hint "Meta+Alt+G"; the desktop calls the key Super.
    // The capture runs after the menu has closed and let go of the keyboard, so that the
    // application in front has its focus (and its selection) back when it is read.
    m_findCitations = menu->addAction(QStringLiteral("Find Citations\tAlt+Super+G"), c, [c] {
        QMetaObject::invokeMethod(c, &AppCoordinator::captureCitations, Qt::QueuedConnection);
    });
    menu->addSeparator();
    m_selectionBadge = menu->addAction(QStringLiteral("Show Selection Badge"));
    m_selectionBadge->setCheckable(true);
    connect(m_selectionBadge, &QAction::triggered, c, [c](bool on) { c->setAutomaticSelectionEnabled(on); });
    m_accessibilityNeeded = menu->addAction(QStringLiteral("Accessibility Access Needed…"), c,
                                            [c] { c->openAccessibilitySettings(); });
    menu->addSeparator();
    m_settings = menu->addAction(QStringLiteral("Settings…"), c, [c] { c->showSettings(); });
    m_settings->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma));
    m_update = menu->addAction(updateTitle(std::nullopt), c, [c] { c->checkForUpdates(); });
    m_about = menu->addAction(QStringLiteral("About VORN Cite"), c, [c] { c->showAbout(); });
    menu->addSeparator();
    m_quit = menu->addAction(QStringLiteral("Quit VORN Cite"), this, [this] { emit quitRequested(); });
    m_quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    for (QAction* action : menu->actions()) {
        action->setShortcutVisibleInContextMenu(true);
        // Only hints: the menu's actions never take keys from the windows.
        action->setShortcutContext(Qt::WidgetShortcut);
    }

    connect(c, &AppCoordinator::accessibilityWarningChanged, this, &MenuBarMenu::render);
    connect(c, &AppCoordinator::pendingUpdateVersionChanged, this, &MenuBarMenu::render);
    connect(&c->settings(), &AppSettings::automaticSelectionEnabledChanged, this, &MenuBarMenu::render);
    connect(&c->settings(), &AppSettings::hasCompletedOnboardingChanged, this, &MenuBarMenu::render);
    // The updater's readiness can change without a signal: read it each time the menu opens.
    connect(menu, &QMenu::aboutToShow, this, &MenuBarMenu::render);
    render();
}

MenuBarMenu::~MenuBarMenu() = default;

QString MenuBarMenu::updateTitle(const std::optional<QString>& pendingVersion)
{
    if (!pendingVersion)
        return QStringLiteral("Check for Updates…");
    return QStringLiteral("Update Available: ") + *pendingVersion + QStringLiteral("…");
}

void MenuBarMenu::render()
{
    const AppSettings& settings = m_coordinator.settings();
    m_selectionBadge->setChecked(settings.automaticSelectionEnabled() && settings.hasCompletedOnboarding());
    m_accessibilityNeeded->setVisible(m_coordinator.accessibilityWarning().has_value());
    const UpdateController& updates = m_coordinator.updateController();
    m_update->setVisible(updates.isConfigured());
    m_update->setEnabled(updates.canCheckForUpdates());
    m_update->setText(updateTitle(m_coordinator.pendingUpdateVersion()));
}

QIcon tintedTrayIcon(const QColor& color)
{
    QSvgRenderer renderer(QStringLiteral(":/app.vorn.cite/MenuBarIconTemplate.svg"));
    if (!renderer.isValid())
        return {};
    QIcon icon;
    for (const int size : {16, 22, 24, 32, 48, 64}) {
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter, QRectF(0, 0, size, size));
        // Keep the symbol's shape (its alpha), take the colour from the panel's text.
        painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
        painter.fillRect(image.rect(), color);
        painter.end();
        icon.addPixmap(QPixmap::fromImage(image));
    }
    return icon;
}
