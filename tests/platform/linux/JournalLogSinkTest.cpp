// The log sink: the application's lines go to the journal only where its socket is, and
// otherwise (or when the journal refuses them) to the handler before it, Qt's standard error.
#include "JournalLogSink.h"

#include <QFile>
#include <QLoggingCategory>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

Q_LOGGING_CATEGORY(captureCategory, "app.vorn.cite.capture", QtInfoMsg)
Q_LOGGING_CATEGORY(otherCategory, "qt.vorn.test", QtInfoMsg)

struct Recorded
{
    QByteArray category;
    QString message;
};
QList<Recorded> recorded;

void record(QtMsgType, const QMessageLogContext& context, const QString& message)
{
    recorded.append({QByteArray(context.category ? context.category : ""), message});
}

struct Journaled
{
    int priority;
    QByteArray category;
    QByteArray message;
};
QList<Journaled> journaled;
int journalAnswer = 0;

int journal(QtMsgType type, const char* category, const QByteArray& message)
{
    journaled.append({JournalLogSink::priority(type), QByteArray(category), message});
    return journalAnswer;
}

// A Unix socket bound at path, as the journal's would be; closed and removed on destruction.
class BoundSocket final
{
public:
    explicit BoundSocket(const QString& path) : m_fd(::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0))
    {
        sockaddr_un address = {};
        address.sun_family = AF_UNIX;
        const QByteArray name = QFile::encodeName(path);
        if (m_fd < 0 || name.size() >= qsizetype(sizeof(address.sun_path)))
            return;
        std::memcpy(address.sun_path, name.constData(), name.size());
        m_bound = ::bind(m_fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0;
    }
    ~BoundSocket()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Q_DISABLE_COPY_MOVE(BoundSocket)
    bool bound() const { return m_bound; }

private:
    int m_fd;
    bool m_bound = false;
};

// Standard error redirected into a file while it lives.
class CapturedStandardError final
{
public:
    explicit CapturedStandardError(const QString& path) : m_path(path)
    {
        std::fflush(stderr);
        m_saved = ::dup(STDERR_FILENO);
        std::FILE* file = std::fopen(QFile::encodeName(path).constData(), "w");
        if (file) {
            ::dup2(::fileno(file), STDERR_FILENO);
            std::fclose(file);
        }
    }
    ~CapturedStandardError() { restore(); }
    Q_DISABLE_COPY_MOVE(CapturedStandardError)
    QByteArray text()
    {
        restore();
        QFile file(m_path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private:
    void restore()
    {
        if (m_saved < 0)
            return;
        std::fflush(stderr);
        ::dup2(m_saved, STDERR_FILENO);
        ::close(m_saved);
        m_saved = -1;
    }
    QString m_path;
    int m_saved = -1;
};

} // namespace

TEST(JournalLogSink, WithoutTheJournalsSocketLinesReachStandardError)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    QFile plain(folder.filePath(QStringLiteral("not-a-socket")));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    for (const QString& path :
         {folder.filePath(QStringLiteral("missing")), plain.fileName(), folder.path()}) {
        SCOPED_TRACE(path.toStdString());
        EXPECT_EQ(JournalLogSink::install(path), JournalLogSink::Destination::standardError);
        CapturedStandardError captured(folder.filePath(QStringLiteral("stderr")));
        qCInfo(captureCategory).noquote() << "accessibility: found in AXTextArea";
        EXPECT_TRUE(captured.text().contains("accessibility: found in AXTextArea"));
        JournalLogSink::uninstall();
    }
}

// With a socket in place the journal takes the application's lines, whole and with their
// priority; Qt's own categories keep the earlier handler, and so does a line the journal
// refuses.
TEST(JournalLogSink, TheJournalTakesOnlyTheApplicationsLines)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const BoundSocket socket(folder.filePath(QStringLiteral("socket")));
    ASSERT_TRUE(socket.bound());

    const QtMessageHandler before = qInstallMessageHandler(record);
    recorded.clear();
    journaled.clear();
    journalAnswer = 0;
    EXPECT_EQ(JournalLogSink::install(folder.filePath(QStringLiteral("socket")), journal),
              JournalLogSink::Destination::journal);
    qCInfo(otherCategory) << "from Qt";
    qCInfo(captureCategory).noquote() << "ax: found selection \u2014 app=Editor\nchars=42";
    qCWarning(captureCategory).noquote() << "100% %s %n";
    journalAnswer = -EIO;
    qCInfo(captureCategory).noquote() << "refused";
    JournalLogSink::uninstall();
    qInstallMessageHandler(before);

    ASSERT_EQ(journaled.size(), 3);
    EXPECT_EQ(journaled[0].priority, 6);
    EXPECT_EQ(journaled[0].category, "app.vorn.cite.capture");
    EXPECT_EQ(journaled[0].message,
              QStringLiteral("ax: found selection \u2014 app=Editor\nchars=42").toUtf8());
    EXPECT_EQ(journaled[1].priority, 4);
    EXPECT_EQ(journaled[1].message, "100% %s %n");
    ASSERT_EQ(recorded.size(), 2);
    EXPECT_EQ(recorded[0].category, "qt.vorn.test");
    EXPECT_EQ(recorded[1].message, QStringLiteral("refused"));
}

TEST(JournalLogSink, ApplicationCategories)
{
    const struct
    {
        const char* category;
        bool application;
    } cases[] = {{"app.vorn.cite", true}, {"app.vorn.cite.capture", true}, {"app.vorn.citex", false},
                 {"app.vorn", false},     {"qt.qpa.xcb", false},           {"default", false},
                 {nullptr, false}};
    for (const auto& c : cases)
        EXPECT_EQ(JournalLogSink::isApplicationCategory(c.category), c.application)
            << (c.category ? c.category : "(none)");
}
