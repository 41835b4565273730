#pragma once

#include <QString>
#include <QtGlobal>

// Where the application's own log lines go (today: the capture diagnostics, category
// "app.vorn.cite.capture"). Debian's Qt writes every message to standard error and has
// no journal backend, so this sink, installed as Qt's message handler, sends the lines of
// the application's categories ("app.vorn.cite" and below) to the systemd journal with
// sd_journal_send when the journal's socket is there, and to the handler installed before
// it (Qt's: standard error) otherwise or when the journal refuses a line. Messages of other
// categories, Qt's own among them, always take the earlier handler. The sink adds nothing
// to a line: what may be logged (never selected text) is decided where the line is made.
class JournalLogSink final
{
public:
    JournalLogSink() = delete;

    enum class Destination
    {
        journal,
        standardError
    };

    // Writes one line to the journal; a negative errno when the journal refused it.
    using JournalWriter = int (*)(QtMsgType type, const char* category, const QByteArray& message);

    // The socket of the journal's native protocol, where sd_journal_send writes.
    static QString defaultSocketPath();
    // sd_journal_send with the line, its priority, its category and "vorn-cite" as the
    // syslog identifier.
    static int writeToJournal(QtMsgType type, const char* category, const QByteArray& message);

    // Installs the sink (a second call re-decides the destination and keeps the earlier
    // handler). The journal is chosen when socketPath is a Unix socket; writer is the
    // journal (tests pass their own).
    static Destination install(const QString& socketPath = defaultSocketPath(),
                               JournalWriter writer = writeToJournal);
    // Puts the earlier handler back.
    static void uninstall();

    [[nodiscard]] static bool isApplicationCategory(const char* category);
    // The syslog priority of a Qt message type (debug 7 ... fatal 2).
    [[nodiscard]] static int priority(QtMsgType type);
};
