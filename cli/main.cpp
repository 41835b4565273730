#include "Commands.h"
#include "ProcessProtection.h"
#include "TerminalInput.h"

#include <QCoreApplication>

#include <cstdio>
#include <iostream>
#include <iterator>

int main(int argc, char** argv)
{
    // key and find hold the API key: no core dump, no other process reading this one.
    // Every subcommand is protected, so that none is missed whatever its arguments.
    (void)ProcessProtection::makeNonDumpable();
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vorn-cite-cli"));
    QCoreApplication::setOrganizationDomain(QStringLiteral("vorn.app"));

    CommandIO io([] {
        std::cin >> std::noskipws;
        const std::string data((std::istreambuf_iterator<char>(std::cin)), std::istreambuf_iterator<char>());
        return QByteArray::fromStdString(data);
    });
    io.setSecretReader(&TerminalInput::readSecretLine);
    const int status = runCommandLine(app.arguments().mid(1), io);
    std::fwrite(io.out.constData(), 1, size_t(io.out.size()), stdout);
    std::fwrite(io.err.constData(), 1, size_t(io.err.size()), stderr);
    return status;
}
