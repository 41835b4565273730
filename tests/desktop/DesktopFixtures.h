#pragma once

#include "fixtures/DesktopFixtureTexts.h"

#include <QRect>
#include <QString>
#include <QStringList>

class QProcess;

#include <optional>

// Drives the fixture applications that tests/desktop/run-desktop.sh started: finds
// their windows and named widgets, activates, focuses and selects through the X
// server and the accessibility bus, as a user's actions would.
namespace DesktopFixtures {

enum class Toolkit
{
    gtk,
    qt
};

// The fixture's process id from the environment, or 0 outside the headless desktop.
qint32 pid(Toolkit toolkit);
QString toolkitName(Toolkit toolkit);

// Makes the fixture's window the active one; true once the window manager says so.
bool activate(Toolkit toolkit);
// The fixture window's client area in native pixels (root coordinates).
std::optional<QRect> windowGeometry(Toolkit toolkit);

// Widgets by accessible name: "VORN text area", "VORN field", "VORN password".
bool focus(Toolkit toolkit, const QString& widget);
// Selects [start, end) of the widget's text, in UTF-16 units of that text.
bool select(Toolkit toolkit, const QString& widget, qsizetype start, qsizetype end);
bool clearSelection(Toolkit toolkit, const QString& widget);
// The widget's whole text, as the accessibility bus reports it.
std::optional<QString> text(Toolkit toolkit, const QString& widget);
// The widget's extents in native pixels.
std::optional<QRect> extents(Toolkit toolkit, const QString& widget);
// The extents of the character at a UTF-16 index of the widget's text, in native pixels.
std::optional<QRect> characterExtents(Toolkit toolkit, const QString& widget, qsizetype index);

// The text area's full text and the selection it starts with.
QString textArea(Toolkit toolkit);
QString knownSelection(Toolkit toolkit);

// Selects the known selection in the focused text area of an active fixture.
bool prepareKnownSelection(Toolkit toolkit);

// An application started for one test and stopped (killed) when this goes away:
// a fixture variant, a terminal, ...
class StartedApplication final
{
public:
    StartedApplication(const QString& program, const QStringList& arguments);
    ~StartedApplication();
    StartedApplication(const StartedApplication&) = delete;
    StartedApplication& operator=(const StartedApplication&) = delete;

    // Waits until the process shows a window; false when it does not in time.
    bool waitForWindow();
    [[nodiscard]] qint32 pid() const;
    [[nodiscard]] bool isRunning() const;
    [[nodiscard]] std::optional<quint32> window() const { return m_window; }
    // Makes its window the active one; true once the window manager says so.
    bool activate();

private:
    QProcess* m_process;
    std::optional<quint32> m_window;
};

// The Qt fixture started with these arguments (a variant such as "--unfocused").
QString qtFixtureProgram();

// Makes a window the active one; true once the window manager says so.
bool activateWindow(quint32 window);
// The active window, as the window manager names it.
std::optional<quint32> activeWindow();

inline const QString textAreaName = QStringLiteral("VORN text area");
inline const QString fieldName = QStringLiteral("VORN field");
inline const QString passwordName = QStringLiteral("VORN password");

} // namespace DesktopFixtures
