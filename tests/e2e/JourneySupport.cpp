#include "JourneySupport.h"

#include <QProcess>
#include <QTest>

using namespace DesktopFixtures;

namespace Journey {

std::optional<QByteArray> run(const QString& program, const QStringList& arguments, const QByteArray& input)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForStarted(waitMs))
        return std::nullopt;
    if (!input.isEmpty())
        process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(waitMs) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0)
        return std::nullopt;
    return process.readAllStandardOutput();
}

bool pressShortcut()
{
    return run(QStringLiteral("xdotool"),
               {QStringLiteral("key"), QStringLiteral("--clearmodifiers"), QStringLiteral("super+alt+g")})
        .has_value();
}

std::optional<QByteArray> clipboard(const QString& target)
{
    return run(QStringLiteral("xclip"), {QStringLiteral("-o"), QStringLiteral("-selection"),
                                         QStringLiteral("clipboard"), QStringLiteral("-t"), target});
}

std::optional<AccessibleNode> waitForShown(const CiteApplication& app, const QString& name,
                                           const QString& role)
{
    return waitForAccessible(app.pid(), name, role, waitMs);
}

std::string shownNames(const CiteApplication& app)
{
    QStringList names;
    for (const AccessibleNode& node : accessibleNodes(app.pid())) {
        if (node.showing && !node.name.isEmpty())
            names.append(node.role + QStringLiteral(" \"") + node.name + u'"');
    }
    return names.join(QStringLiteral(", ")).toStdString();
}

QStringList shownPMIDs(const CiteApplication& app)
{
    QList<AccessibleNode> feet;
    for (const AccessibleNode& node : accessibleNodes(app.pid())) {
        if (node.showing && node.name.startsWith(QStringLiteral("PMID: ")))
            feet.append(node);
    }
    std::stable_sort(feet.begin(), feet.end(), [](const AccessibleNode& a, const AccessibleNode& b) {
        return a.extents.y() < b.extents.y();
    });
    QStringList pmids;
    for (const AccessibleNode& node : feet)
        pmids.append(node.name.mid(6).section(u' ', 0, 0));
    return pmids;
}

} // namespace Journey
