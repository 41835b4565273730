// vorn-cite: the desktop application. One instance per session: a second start hands
// its request to the first over D-Bus and ends.
#include "ClipboardKeeper.h"
#include "DesktopApplication.h"
#include "JournalLogSink.h"
#include "ProcessProtection.h"

#include <QApplication>
#include <QDBusConnectionInterface>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};

void onTerminationSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
}

// SIGTERM and SIGINT end the event loop, so that the application stops in order.
void quitOnTerminationSignals(QObject* context)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0)
        return;
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, context);
    QObject::connect(notifier, &QSocketNotifier::activated, context, [] {
        char byte = 0;
        [[maybe_unused]] const ssize_t read = ::read(signalPipe[0], &byte, 1);
        QCoreApplication::quit();
    });
    struct sigaction action = {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}

void printError(const QString& message)
{
    std::fprintf(stderr, "vorn-cite: %s\n", qPrintable(message));
}

} // namespace

int main(int argc, char** argv)
{
    // No core dumps and no ptrace by other processes of the user: the process holds
    // the API key and the user's selections.
    (void)ProcessProtection::makeNonDumpable();
    if (argc == 2 && qstrcmp(argv[1], ClipboardKeeper::keeperArgument) == 0)
        return ClipboardKeeper::serve(argc, argv);

    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    const std::expected<CommandLine, QString> line = CommandLine::parse(arguments);
    if (!line) {
        printError(line.error());
        std::fputs(qPrintable(CommandLine::usage()), stderr);
        return 2;
    }
    if (line->help) {
        std::fputs(qPrintable(CommandLine::usage()), stdout);
        return 0;
    }
    if (line->version) {
        std::printf("vorn-cite %s\n", VORN_CITE_VERSION);
        return 0;
    }

    // The application's log lines (the capture diagnostics, when switched on) go to the
    // journal when there is one, else to standard error.
    JournalLogSink::install();

    QApplication::setApplicationName(QStringLiteral("vorn-cite"));
    QApplication::setApplicationDisplayName(QStringLiteral("VORN Cite"));
    QApplication::setApplicationVersion(QStringLiteral(VORN_CITE_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("app.vorn.cite"));
    QApplication application(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);

    DesktopApplication desktop(*line);
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected()) {
        if (!desktop.exportHandOff(bus))
            printError(QStringLiteral("cannot export the hand-off on the session bus"));
        const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> claim =
            bus.interface()->registerService(DBusHandOffService::serviceName,
                                             QDBusConnectionInterface::DontQueueService,
                                             QDBusConnectionInterface::DontAllowReplacement);
        if (!claim.isValid() || claim.value() != QDBusConnectionInterface::ServiceRegistered) {
            // Another instance runs: hand the request over.
            if (const std::optional<QString> refused = sendHandOff(bus, line->request)) {
                printError(*refused);
                return 1;
            }
            return 0;
        }
    } else {
        printError(QStringLiteral("no session bus: other programs cannot hand text to this instance"));
    }

    if (const std::expected<void, QString> built = desktop.build(); !built) {
        printError(built.error());
        return 1;
    }
    quitOnTerminationSignals(&desktop);
    QObject::connect(&desktop, &DesktopApplication::quitRequested, &application, &QCoreApplication::quit);
    QObject::connect(&application, &QCoreApplication::aboutToQuit, &desktop, [&desktop] { desktop.stop(); });
    desktop.start();
    const int status = QApplication::exec();
    // Stopped: a clipboard this process serves (the user's, put back) outlives it.
    ClipboardKeeper::handOverIfOwned(QCoreApplication::applicationFilePath());
    return status;
}
