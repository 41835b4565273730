#include "Commands.h"

#include <QCoreApplication>

#include <cstdio>
#include <iostream>
#include <iterator>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vorn-cite-cli"));
    QCoreApplication::setOrganizationDomain(QStringLiteral("vorn.app"));

    CommandIO io([] {
        std::cin >> std::noskipws;
        const std::string data((std::istreambuf_iterator<char>(std::cin)), std::istreambuf_iterator<char>());
        return QByteArray::fromStdString(data);
    });
    const int status = runCommandLine(app.arguments().mid(1), io);
    std::fwrite(io.out.constData(), 1, size_t(io.out.size()), stdout);
    std::fwrite(io.err.constData(), 1, size_t(io.err.size()), stderr);
    return status;
}
