#pragma once

#include "Commands.h"

#include <QString>
#include <QStringList>

// Runs vorn-cite-cli in-process with the given standard input.
struct CliRun
{
    int status;
    QString out;
    QString err;
};

inline CliRun runCli(const QStringList& arguments, const QByteArray& input = {})
{
    CommandIO io([input] { return input; });
    const int status = runCommandLine(arguments, io);
    return {status, QString::fromUtf8(io.out), QString::fromUtf8(io.err)};
}
