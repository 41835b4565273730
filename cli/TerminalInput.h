#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// Reading a secret typed at a terminal.
namespace TerminalInput {

// When standard input is a terminal: writes prompt to standard error, reads one line
// with echo off (as passwd does) and returns it without its line break. The terminal's
// settings come back afterwards, also when a signal ends the program while it waits.
// Absent when standard input is not a terminal (a pipe or a file is read as it is).
std::optional<QByteArray> readSecretLine(const QString& prompt);

} // namespace TerminalInput
