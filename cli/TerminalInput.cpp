#include "TerminalInput.h"

#include <array>
#include <cerrno>
#include <csignal>

#include <termios.h>
#include <unistd.h>

namespace {

// A line longer than any key; the rest of a longer line is read and dropped.
constexpr qsizetype maximumLineBytes = 4096;

constexpr std::array<int, 4> endingSignals = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

// The settings to restore, shared with the signal handler.
struct termios g_saved
{
};
volatile sig_atomic_t g_echoOff = 0;

void restoreAndReraise(int signal)
{
    if (g_echoOff)
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &g_saved);
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

void writeAll(int fd, const QByteArray& bytes)
{
    qsizetype written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + written, size_t(bytes.size() - written));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        written += n;
    }
}

} // namespace

namespace TerminalInput {

std::optional<QByteArray> readSecretLine(const QString& prompt)
{
    if (!isatty(STDIN_FILENO) || tcgetattr(STDIN_FILENO, &g_saved) != 0)
        return std::nullopt;

    std::array<struct sigaction, endingSignals.size()> previous{};
    struct sigaction restoring
    {
    };
    restoring.sa_handler = restoreAndReraise;
    sigemptyset(&restoring.sa_mask);
    for (size_t i = 0; i < endingSignals.size(); ++i)
        sigaction(endingSignals[i], &restoring, &previous[i]);

    struct termios silent = g_saved;
    silent.c_lflag &= ~tcflag_t(ECHO | ECHOE | ECHOK | ECHONL);
    // TCSAFLUSH drops what was typed before the echo went off.
    g_echoOff = tcsetattr(STDIN_FILENO, TCSAFLUSH, &silent) == 0;
    writeAll(STDERR_FILENO, prompt.toUtf8());

    QByteArray line;
    char c = 0;
    while (true) {
        const ssize_t n = ::read(STDIN_FILENO, &c, 1);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0 || c == '\n')
            break;
        if (line.size() < maximumLineBytes)
            line.append(c);
    }

    if (g_echoOff)
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &g_saved);
    g_echoOff = 0;
    for (size_t i = 0; i < endingSignals.size(); ++i)
        sigaction(endingSignals[i], &previous[i], nullptr);
    // The line break the user typed was not echoed.
    writeAll(STDERR_FILENO, "\n");
    return line;
}

} // namespace TerminalInput
