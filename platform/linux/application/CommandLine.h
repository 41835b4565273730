#pragma once

#include "DBusHandOff.h"

#include <QString>
#include <QStringList>

#include <expected>
#include <optional>

// What vorn-cite was started with:
//   vorn-cite [--find TEXT | --find-selection | --settings] [--demo URL | --demo-unless-configured URL]
//   [--ca-certificates FILE]
struct CommandLine
{
    HandOffRequest request;
    // Demo mode: the local demo service at this base URL, a throwaway key held in
    // memory and settings in a temporary folder.
    std::optional<QString> demoServiceURL;
    // --demo-unless-configured: the demo only when no service is configured (neither
    // "literature.serviceURL" nor an address built in); otherwise a normal start.
    bool demoOnlyIfUnconfigured = false;
    // Certificate authorities (PEM) trusted beside the system's, for a local service.
    std::optional<QString> caCertificates;
    bool help = false;
    bool version = false;

    static std::expected<CommandLine, QString> parse(const QStringList& arguments);
    static QString usage();
};
