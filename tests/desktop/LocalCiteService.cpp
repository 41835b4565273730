#include "LocalCiteService.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>
#include <QUrl>

namespace {

constexpr int startMs = 60000;

} // namespace

LocalCiteService::LocalCiteService(QStringList extraArguments) : m_extraArguments(std::move(extraArguments))
{
    (void)start();
}

LocalCiteService::~LocalCiteService()
{
    stop();
}

LocalCiteService& LocalCiteService::shared()
{
    static LocalCiteService service;
    return service;
}

bool LocalCiteService::start()
{
    if (isRunning())
        return true;
    QStringList arguments{
        QStringLiteral("--ca-out"),         caFile(),
        QStringLiteral("--request-log"),    m_folder.filePath(QStringLiteral("requests.log")),
        QStringLiteral("--keep-authority"), m_folder.filePath(QStringLiteral("authority"))};
    if (!m_url.isEmpty())
        arguments << QStringLiteral("--port") << QString::number(QUrl(m_url).port());
    m_process.start(QStringLiteral(VORN_CITE_SERVICE_BINARY), arguments + m_extraArguments);
    if (!m_process.waitForStarted(startMs))
        return false;
    if (!QTest::qWaitFor(
            [this] { return m_process.canReadLine() || m_process.state() == QProcess::NotRunning; },
            startMs) ||
        !m_process.canReadLine()) {
        m_process.waitForFinished(startMs);
        return false;
    }
    const QString line = QString::fromUtf8(m_process.readLine()).trimmed();
    const QString prefix = QStringLiteral("VORN cite service base URL: ");
    if (!line.startsWith(prefix))
        return false;
    m_url = line.mid(prefix.size());
    return true;
}

void LocalCiteService::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.kill();
    m_process.waitForFinished(startMs);
}

QString LocalCiteService::caFile() const
{
    return m_folder.filePath(QStringLiteral("ca.pem"));
}

QList<LocalCiteService::Request> LocalCiteService::requests() const
{
    QFile file(m_folder.filePath(QStringLiteral("requests.log")));
    QList<Request> found;
    if (!file.open(QIODevice::ReadOnly))
        return found;
    for (const QByteArray& line : file.readAll().split('\n')) {
        const QJsonArray fields = QJsonDocument::fromJson(line).array();
        if (fields.isEmpty())
            continue; // the blank end, or a line still being written
        Request request{fields.at(0).toString(), fields.at(1).toDouble(), {}};
        for (const QJsonValue& pmid : fields.at(2).toArray())
            request.pmids.append(pmid.toString());
        found.append(request);
    }
    return found;
}

QStringList LocalCiteService::texts() const
{
    QStringList texts;
    for (const Request& request : requests())
        texts.append(request.text);
    return texts;
}

std::optional<LocalCiteService::Request> LocalCiteService::waitForRequest(const QString& text,
                                                                          int timeoutMs) const
{
    std::optional<Request> found;
    (void)QTest::qWaitFor(
        [&] {
            for (const Request& request : requests()) {
                if (request.text == text)
                    found = request;
            }
            return found.has_value();
        },
        timeoutMs);
    return found;
}

std::optional<LocalCiteService::Request> LocalCiteService::waitForNextRequest(qsizetype seen,
                                                                              int timeoutMs) const
{
    std::optional<Request> found;
    (void)QTest::qWaitFor(
        [&] {
            const QList<Request> all = requests();
            if (all.size() > seen)
                found = all.at(seen);
            return found.has_value();
        },
        timeoutMs);
    return found;
}

QStringList LocalCiteService::demoArguments() const
{
    return {QStringLiteral("--demo"), m_url, QStringLiteral("--ca-certificates"), caFile()};
}
