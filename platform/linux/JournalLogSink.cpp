#include "JournalLogSink.h"

#include <QByteArray>
#include <QFile>
#include <QMessageLogContext>

#include <atomic>
#include <cstring>

#include <sys/stat.h>
#include <systemd/sd-journal.h>

namespace {

constexpr char applicationCategory[] = "app.vorn.cite";

std::atomic<QtMessageHandler> earlierHandler = nullptr;
std::atomic<bool> installed = false;
std::atomic<bool> toJournal = false;
std::atomic<JournalLogSink::JournalWriter> journalWriter = JournalLogSink::writeToJournal;

void passOn(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (const QtMessageHandler earlier = earlierHandler.load())
        earlier(type, context, message);
}

void handle(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (toJournal.load() && JournalLogSink::isApplicationCategory(context.category)) {
        if (journalWriter.load()(type, context.category, message.toUtf8()) >= 0)
            return;
    }
    passOn(type, context, message);
}

bool isSocket(const QString& path)
{
    struct stat status = {};
    return ::stat(QFile::encodeName(path).constData(), &status) == 0 && S_ISSOCK(status.st_mode);
}

} // namespace

QString JournalLogSink::defaultSocketPath()
{
    return QStringLiteral("/run/systemd/journal/socket");
}

int JournalLogSink::writeToJournal(QtMsgType type, const char* category, const QByteArray& message)
{
    // Every value goes through "%s": no part of a line is ever read as a format.
    return sd_journal_send("MESSAGE=%s", message.constData(), "PRIORITY=%d", priority(type),
                           "SYSLOG_IDENTIFIER=%s", "vorn-cite", "QT_CATEGORY=%s", category, nullptr);
}

JournalLogSink::Destination JournalLogSink::install(const QString& socketPath, JournalWriter writer)
{
    const bool journal = isSocket(socketPath);
    journalWriter.store(writer ? writer : writeToJournal);
    toJournal.store(journal);
    if (!installed.exchange(true))
        earlierHandler.store(qInstallMessageHandler(handle));
    return journal ? Destination::journal : Destination::standardError;
}

void JournalLogSink::uninstall()
{
    if (!installed.exchange(false))
        return;
    qInstallMessageHandler(earlierHandler.exchange(nullptr));
    toJournal.store(false);
}

bool JournalLogSink::isApplicationCategory(const char* category)
{
    if (category == nullptr)
        return false;
    const std::size_t length = std::strlen(applicationCategory);
    return std::strncmp(category, applicationCategory, length) == 0 &&
           (category[length] == '\0' || category[length] == '.');
}

int JournalLogSink::priority(QtMsgType type)
{
    switch (type) {
    case QtDebugMsg:
        return 7;
    case QtInfoMsg:
        return 6;
    case QtWarningMsg:
        return 4;
    case QtCriticalMsg:
        return 3;
    case QtFatalMsg:
        return 2;
    }
    return 6;
}
