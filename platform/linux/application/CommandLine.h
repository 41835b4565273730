#pragma once

#include "DBusHandOff.h"

#include <QString>
#include <QStringList>

#include <expected>
#include <optional>

// What vorn-cite was started with:
//   vorn-cite [--find TEXT | --find-selection | --settings] [--demo URL [--ca-certificates FILE]]
struct CommandLine
{
    HandOffRequest request;
    // Demo mode: the local demo service at this base URL, a throwaway key held in
    // memory and settings in a temporary folder.
    std::optional<QString> demoServiceURL;
    // Certificate authorities (PEM) trusted beside the system's, for a local service.
    std::optional<QString> caCertificates;
    bool help = false;
    bool version = false;

    static std::expected<CommandLine, QString> parse(const QStringList& arguments);
    static QString usage();
};
