// vorn-cite-cli as its own process, where the terminal and the kernel meet it: the echo-off
// prompt of "key set" and the protection of a process that holds the key. Runs against the
// throwaway keyring of tests/support/with-secret-service.

#include "TestHttpsServer.h"
#include "literature/UserSettingsFile.h"

#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

const QString prompt = u"VORN API key: "_s;

// As root, a process with every capability may read any other; the programs run with
// none, so that the kernel treats them as two processes of an ordinary user.
void startWithoutCapabilities(QProcess& process, const QString& program, const QStringList& arguments)
{
    if (geteuid() == 0)
        process.start(u"setpriv"_s,
                      QStringList{u"--bounding-set=-all"_s, u"--inh-caps=-all"_s, u"--"_s, program} +
                          arguments);
    else
        process.start(program, arguments);
}

// Whether another process of the same user can read the environment of pid, which
// the kernel allows only for a dumpable process.
bool peerCanRead(qint64 pid)
{
    QProcess cat;
    startWithoutCapabilities(cat, u"cat"_s, {u"/proc/"_s + QString::number(pid) + u"/environ"_s});
    return cat.waitForFinished(10000) && cat.exitStatus() == QProcess::NormalExit && cat.exitCode() == 0 &&
           !cat.readAllStandardOutput().isEmpty();
}

struct Finished
{
    int status;
    QString out;
    QString err;
};

Finished runPiped(const QStringList& arguments, const QByteArray& input)
{
    QProcess process;
    process.start(QStringLiteral(VORN_CLI_PATH), arguments);
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(30000))
        return {-1, {}, {}};
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

// The bytes waiting on a pseudo-terminal's controlling side.
QByteArray drain(int fd)
{
    QByteArray out;
    char buffer[256];
    while (true) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0)
            return out;
        out.append(buffer, n);
    }
}

} // namespace

TEST(CliProcess, KeySetFromATerminalPromptsOnStandardErrorWithEchoOff)
{
    int controller = -1;
    int terminal = -1;
    ASSERT_EQ(openpty(&controller, &terminal, nullptr, nullptr, nullptr), 0);
    fcntl(controller, F_SETFL, fcntl(controller, F_GETFL) | O_NONBLOCK);
    fcntl(controller, F_SETFD, FD_CLOEXEC);

    QProcess process;
    process.setChildProcessModifier([terminal] { ::dup2(terminal, STDIN_FILENO); });
    startWithoutCapabilities(process, QStringLiteral(VORN_CLI_PATH), {u"key"_s, u"set"_s});
    ASSERT_TRUE(process.waitForStarted());
    QByteArray err;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            err += process.readAllStandardError();
            return err.contains(prompt.toUtf8());
        },
        10000))
        << "no prompt on standard error: " << err.toStdString();
    EXPECT_FALSE(peerCanRead(process.processId())) << "the process waiting for the key is dumpable";

    const QByteArray typed = "vorn_Typed-Key1\n";
    ASSERT_EQ(::write(controller, typed.constData(), size_t(typed.size())), typed.size());
    ASSERT_TRUE(process.waitForFinished(30000));
    err += process.readAllStandardError();
    EXPECT_EQ(process.exitCode(), 0) << err.toStdString();
    EXPECT_EQ(process.readAllStandardOutput(), "VORN API key saved securely.\n");
    EXPECT_EQ(QString::fromUtf8(err), prompt + u"\n"_s);
    EXPECT_FALSE(drain(controller).contains("vorn_Typed")) << "the key was echoed";
    termios after{};
    ASSERT_EQ(tcgetattr(terminal, &after), 0);
    EXPECT_TRUE(after.c_lflag & ECHO) << "echo was not switched back on";
    ::close(controller);
    ::close(terminal);

    const Finished status = runPiped({u"key"_s, u"status"_s}, {});
    EXPECT_EQ(status.out, u"vorn_"_s + QString(16, QChar(0x2022)) + u" (saved)\n"_s);
}

TEST(CliProcess, KeySetFromAPipeIsSilent)
{
    const Finished set = runPiped({u"key"_s, u"set"_s}, "vorn_Piped-Key2\n");
    EXPECT_EQ(set.status, 0);
    EXPECT_EQ(set.out, u"VORN API key saved securely.\n"_s);
    EXPECT_EQ(set.err, QString());
}

TEST(CliProcess, FindRunsNonDumpable)
{
    TestHttpsServer server;
    ASSERT_TRUE(server.listen());
    server.enqueue(TestHttpResponse::stalled());
    QTemporaryDir dir;
    const QString caFile = dir.filePath(u"ca.pem"_s);
    QFile pem(caFile);
    ASSERT_TRUE(pem.open(QIODevice::WriteOnly));
    pem.write(TestCertificateAuthority::shared().caCertificate().toPem());
    pem.close();
    {
        QSettings settings(UserSettingsFile::path(), QSettings::IniFormat);
        settings.setValue(UserSettingsFile::serviceURLKey, server.url().toString());
    }
    ASSERT_EQ(runPiped({u"key"_s, u"set"_s}, "vorn_Find-Key3\n").status, 0);

    // A process of this user that does not protect itself is readable: the probe works.
    QProcess sleeper;
    startWithoutCapabilities(sleeper, u"sleep"_s, {u"30"_s});
    ASSERT_TRUE(sleeper.waitForStarted());
    EXPECT_TRUE(QTest::qWaitFor([&] { return peerCanRead(sleeper.processId()); }, 10000));
    sleeper.kill();
    sleeper.waitForFinished();

    QProcess find;
    startWithoutCapabilities(
        find, QStringLiteral(VORN_CLI_PATH),
        {u"find"_s, u"--ca-certificates"_s, caFile, u"Aspirin reduces fever in adults."_s});
    ASSERT_TRUE(find.waitForStarted());
    ASSERT_TRUE(server.waitForRequests(1, 30000)) << find.readAllStandardError().toStdString();
    EXPECT_FALSE(peerCanRead(find.processId())) << "find is dumpable while it holds the key";

    ASSERT_TRUE(server.answerStalled(TestHttpResponse::json(
        200, R"({"status":"ok","answer":"Yes.","references":[{"pmid":"123","title":"Aspirin in fever"}]})")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return find.state() == QProcess::NotRunning; }, 30000));
    EXPECT_EQ(find.exitCode(), 0) << find.readAllStandardError().toStdString();
    EXPECT_TRUE(find.readAllStandardOutput().contains("Aspirin in fever"));
    QFile::remove(UserSettingsFile::path());
}
