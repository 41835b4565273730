#include "DesktopFixtures.h"

#include "AtspiSupport.h"
#include "X11Desktop.h"

#include <QProcess>
#include <QTest>

#include <deque>

using Atspi::Accessible;

namespace DesktopFixtures {

namespace {

constexpr int waitMs = 10000;

bool connectToAccessibilityBus()
{
    static const bool connected = [] {
        const int status = atspi_init();
        atspi_set_timeout(2000, 0);
        return status == 0 || status == 1;
    }();
    return connected;
}

X11Desktop& x11()
{
    static X11Desktop desktop;
    return desktop;
}

std::optional<QString> run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(waitMs) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0)
        return std::nullopt;
    return QString::fromUtf8(process.readAllStandardOutput());
}

std::optional<X11Desktop::Window> windowOf(Toolkit toolkit)
{
    const std::optional<QString> found =
        run(QStringLiteral("xdotool"),
            {QStringLiteral("search"), QStringLiteral("--all"), QStringLiteral("--onlyvisible"),
             QStringLiteral("--pid"), QString::number(pid(toolkit)), QStringLiteral("--name"),
             QStringLiteral("VORN")});
    if (!found)
        return std::nullopt;
    bool ok = false;
    const quint32 window = found->section(u'\n', 0, 0).trimmed().toUInt(&ok);
    return ok ? std::optional(window) : std::nullopt;
}

Accessible application(Toolkit toolkit)
{
    if (!connectToAccessibilityBus())
        return {};
    Accessible found;
    (void)QTest::qWaitFor(
        [&] {
            const Accessible desktop(atspi_get_desktop(0));
            atspi_accessible_clear_cache(desktop.get());
            const gint count = atspi_accessible_get_child_count(desktop.get(), nullptr);
            for (gint i = 0; i < count && !found; ++i) {
                Accessible candidate(atspi_accessible_get_child_at_index(desktop.get(), i, nullptr));
                if (candidate &&
                    qint64(atspi_accessible_get_process_id(candidate.get(), nullptr)) == pid(toolkit))
                    found = candidate;
            }
            return bool(found);
        },
        waitMs);
    return found;
}

Accessible widget(Toolkit toolkit, const QString& name)
{
    const Accessible root = application(toolkit);
    if (!root)
        return {};
    std::deque<Accessible> queue{root};
    for (int visited = 0; !queue.empty() && visited < 400; ++visited) {
        const Accessible node = queue.front();
        queue.pop_front();
        if (Atspi::takeString(atspi_accessible_get_name(node.get(), nullptr)) == name)
            return node;
        const gint count = atspi_accessible_get_child_count(node.get(), nullptr);
        for (gint i = 0; i < std::min(count, 64); ++i) {
            if (Accessible child{atspi_accessible_get_child_at_index(node.get(), i, nullptr)})
                queue.push_back(child);
        }
    }
    return {};
}

// The toolkit's text offset of a UTF-16 index: GTK counts code points.
int offset(Toolkit toolkit, const QString& text, qsizetype index)
{
    if (toolkit == Toolkit::qt)
        return int(index);
    return int(text.left(index).toUcs4().size());
}

} // namespace

qint32 pid(Toolkit toolkit)
{
    return qEnvironmentVariableIntValue(toolkit == Toolkit::gtk ? "VORN_GTK_FIXTURE_PID"
                                                                : "VORN_QT_FIXTURE_PID");
}

QString toolkitName(Toolkit toolkit)
{
    return toolkit == Toolkit::gtk ? QStringLiteral("GTK") : QStringLiteral("Qt");
}

bool activateWindow(quint32 window)
{
    if (!run(QStringLiteral("xdotool"),
             {QStringLiteral("windowactivate"), QStringLiteral("--sync"), QString::number(window)}))
        return false;
    return QTest::qWaitFor([&] { return x11().activeWindow() == window; }, waitMs);
}

std::optional<quint32> activeWindow()
{
    return x11().activeWindow();
}

bool activate(Toolkit toolkit)
{
    const std::optional<X11Desktop::Window> window = windowOf(toolkit);
    return window && activateWindow(*window);
}

StartedApplication::StartedApplication(const QString& program, const QStringList& arguments)
    : m_process(new QProcess)
{
    m_process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process->start(program, arguments);
}

StartedApplication::~StartedApplication()
{
    m_process->kill();
    m_process->waitForFinished(waitMs);
    delete m_process;
}

qint32 StartedApplication::pid() const
{
    return qint32(m_process->processId());
}

bool StartedApplication::isRunning() const
{
    return m_process->state() == QProcess::Running;
}

bool StartedApplication::waitForWindow()
{
    if (!m_process->waitForStarted(waitMs))
        return false;
    return QTest::qWaitFor(
        [&] {
            const std::optional<QString> found =
                run(QStringLiteral("xdotool"),
                    {QStringLiteral("search"), QStringLiteral("--all"), QStringLiteral("--onlyvisible"),
                     QStringLiteral("--pid"), QString::number(pid()), QStringLiteral(".")});
            bool ok = false;
            const quint32 window = found ? found->section(u'\n', 0, 0).trimmed().toUInt(&ok) : 0;
            if (ok)
                m_window = window;
            return ok;
        },
        waitMs * 3);
}

bool StartedApplication::activate()
{
    return m_window && activateWindow(*m_window);
}

QString qtFixtureProgram()
{
    return qEnvironmentVariable("VORN_QT_FIXTURE");
}

std::optional<QRect> windowGeometry(Toolkit toolkit)
{
    const std::optional<X11Desktop::Window> window = windowOf(toolkit);
    return window ? x11().windowGeometry(*window) : std::nullopt;
}

bool focus(Toolkit toolkit, const QString& name)
{
    const Accessible target = widget(toolkit, name);
    if (!target || !atspi_component_grab_focus(ATSPI_COMPONENT(target.get()), nullptr))
        return false;
    return QTest::qWaitFor(
        [&] {
            atspi_accessible_clear_cache(target.get());
            return Atspi::hasState(target.get(), ATSPI_STATE_FOCUSED);
        },
        waitMs);
}

bool select(Toolkit toolkit, const QString& name, qsizetype start, qsizetype end)
{
    const Accessible target = widget(toolkit, name);
    if (!target)
        return false;
    const QString text = Atspi::takeString(atspi_text_get_text(ATSPI_TEXT(target.get()), 0, -1, nullptr));
    const int from = offset(toolkit, text, start);
    const int to = offset(toolkit, text, end);
    if (atspi_text_get_n_selections(ATSPI_TEXT(target.get()), nullptr) > 0)
        return atspi_text_set_selection(ATSPI_TEXT(target.get()), 0, from, to, nullptr);
    return atspi_text_add_selection(ATSPI_TEXT(target.get()), from, to, nullptr);
}

bool clearSelection(Toolkit toolkit, const QString& name)
{
    const Accessible target = widget(toolkit, name);
    if (!target)
        return false;
    while (atspi_text_get_n_selections(ATSPI_TEXT(target.get()), nullptr) > 0) {
        if (!atspi_text_remove_selection(ATSPI_TEXT(target.get()), 0, nullptr))
            return false;
    }
    return true;
}

std::optional<QString> text(Toolkit toolkit, const QString& name)
{
    const Accessible target = widget(toolkit, name);
    if (!target)
        return std::nullopt;
    atspi_accessible_clear_cache(target.get());
    GError* error = nullptr;
    gchar* raw = atspi_text_get_text(ATSPI_TEXT(target.get()), 0, -1, &error);
    if (error) {
        g_error_free(error);
        return std::nullopt;
    }
    return Atspi::takeString(raw);
}

std::optional<QRect> extents(Toolkit toolkit, const QString& name)
{
    const Accessible target = widget(toolkit, name);
    if (!target)
        return std::nullopt;
    const Atspi::Owned<AtspiRect> rect(
        atspi_component_get_extents(ATSPI_COMPONENT(target.get()), ATSPI_COORD_TYPE_SCREEN, nullptr));
    if (!rect)
        return std::nullopt;
    return QRect(rect->x, rect->y, rect->width, rect->height);
}

std::optional<QRect> characterExtents(Toolkit toolkit, const QString& name, qsizetype index)
{
    const Accessible target = widget(toolkit, name);
    const std::optional<QString> whole = text(toolkit, name);
    if (!target || !whole)
        return std::nullopt;
    GError* error = nullptr;
    const Atspi::Owned<AtspiRect> rect(atspi_text_get_character_extents(
        ATSPI_TEXT(target.get()), offset(toolkit, *whole, index), ATSPI_COORD_TYPE_SCREEN, &error));
    if (error) {
        g_error_free(error);
        return std::nullopt;
    }
    if (!rect || rect->width <= 0 || rect->height <= 0)
        return std::nullopt;
    return QRect(rect->x, rect->y, rect->width, rect->height);
}

QString textArea(Toolkit toolkit)
{
    return toolkit == Toolkit::gtk ? DesktopFixtureTexts::gtkTextArea() : DesktopFixtureTexts::qtTextArea();
}

QString knownSelection(Toolkit toolkit)
{
    return toolkit == Toolkit::gtk ? DesktopFixtureTexts::gtkSelection() : DesktopFixtureTexts::qtSelection();
}

bool prepareKnownSelection(Toolkit toolkit)
{
    const qsizetype start = textArea(toolkit).indexOf(knownSelection(toolkit));
    return activate(toolkit) && focus(toolkit, textAreaName) &&
           select(toolkit, textAreaName, start, start + knownSelection(toolkit).size());
}

} // namespace DesktopFixtures
