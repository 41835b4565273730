#pragma once

#include <QDBusConnection>
#include <QProcess>
#include <QStringList>
#include <QVariant>

// The real vorn-cite as desktop tests run it: started with VORN_CITE_TESTING=1, so that
// its test probe (/app/vorn/cite/testing on the session bus) says when it has started
// and what it shows, and stopped with SIGTERM as a desktop session would.
class CiteApplication final
{
public:
    CiteApplication() = default;
    // Stops a running instance.
    ~CiteApplication();
    CiteApplication(const CiteApplication&) = delete;
    CiteApplication& operator=(const CiteApplication&) = delete;

    // Starts vorn-cite with these arguments and environment additions; true once its
    // probe says it has started.
    bool start(const QStringList& arguments, const QProcessEnvironment& extra = {});
    // SIGTERM, then waits; true when it ended normally with status 0 and the bus name is free again.
    bool stop();

    [[nodiscard]] QProcess& process() { return m_process; }
    [[nodiscard]] qint32 pid() const { return qint32(m_process.processId()); }
    [[nodiscard]] QString standardError() { return QString::fromUtf8(m_process.readAllStandardError()); }

private:
    QProcess m_process;
};

namespace CiteProbe {

inline const QString serviceName = QStringLiteral("app.vorn.cite");
inline const QString objectPath = QStringLiteral("/app/vorn/cite");

// A property of the running instance's test probe; invalid when there is none.
QVariant property(const QDBusConnection& bus, const QString& name);
inline QVariant property(const QString& name)
{
    return property(QDBusConnection::sessionBus(), name);
}

// Whether app.vorn.cite is owned on the session bus.
bool isNameOwned();

} // namespace CiteProbe
