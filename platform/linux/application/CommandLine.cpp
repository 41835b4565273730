#include "CommandLine.h"

#include <QUrl>

std::expected<CommandLine, QString> CommandLine::parse(const QStringList& arguments)
{
    CommandLine line;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        const auto value = [&]() -> std::optional<QString> {
            if (i + 1 >= arguments.size())
                return std::nullopt;
            return arguments[++i];
        };
        if (argument == u"--help" || argument == u"-h") {
            line.help = true;
        } else if (argument == u"--version") {
            line.version = true;
        } else if (argument == u"--find-selection") {
            if (line.request.kind != HandOffRequest::Kind::none)
                return std::unexpected(
                    QStringLiteral("--find, --find-selection and --settings exclude each other"));
            line.request.kind = HandOffRequest::Kind::findSelection;
        } else if (argument == u"--settings") {
            if (line.request.kind != HandOffRequest::Kind::none)
                return std::unexpected(
                    QStringLiteral("--find, --find-selection and --settings exclude each other"));
            line.request.kind = HandOffRequest::Kind::showSettings;
        } else if (argument == u"--find") {
            const std::optional<QString> text = value();
            if (!text)
                return std::unexpected(QStringLiteral("--find needs the text to search for"));
            if (line.request.kind != HandOffRequest::Kind::none)
                return std::unexpected(
                    QStringLiteral("--find, --find-selection and --settings exclude each other"));
            line.request = HandOffRequest{HandOffRequest::Kind::findText, *text};
        } else if (argument == u"--demo" || argument == u"--demo-unless-configured") {
            const std::optional<QString> url = value();
            const QUrl parsed(url.value_or(QString()), QUrl::StrictMode);
            if (!url || !parsed.isValid() || parsed.scheme() != u"https" || parsed.host().isEmpty())
                return std::unexpected(argument +
                                       QStringLiteral(" needs the https base URL of the demo service"));
            line.demoServiceURL = *url;
            line.demoOnlyIfUnconfigured = argument == u"--demo-unless-configured";
        } else if (argument == u"--ca-certificates") {
            const std::optional<QString> file = value();
            if (!file)
                return std::unexpected(QStringLiteral("--ca-certificates needs a PEM file"));
            line.caCertificates = *file;
        } else {
            return std::unexpected(QStringLiteral("unknown argument: ") + argument.left(200));
        }
    }
    return line;
}

QString CommandLine::usage()
{
    return QStringLiteral(
        "Usage: vorn-cite [--find TEXT | --find-selection | --settings]\n"
        "                 [--demo URL | --demo-unless-configured URL] [--ca-certificates FILE]\n"
        "\n"
        "Finds published literature evidence for the sentence you select. Runs in the tray;\n"
        "press Alt+Super+G with a sentence selected. A second start hands its request to the\n"
        "running instance and ends.\n"
        "\n"
        "  --find TEXT            find citations for TEXT\n"
        "  --find-selection       find citations for the text selected in the frontmost application\n"
        "                         (bind a desktop shortcut to this where Alt+Super+G is unavailable)\n"
        "  --settings             open the settings window\n"
        "  --demo URL             demo mode against the local demo service at URL: a throwaway key\n"
        "                         in memory and temporary settings; nothing of yours is touched\n"
        "  --demo-unless-configured URL\n"
        "                         the same, but only when no citation service is configured\n"
        "  --ca-certificates FILE trust these certificate authorities (PEM) for a local service\n"
        "  --version, --help\n");
}
