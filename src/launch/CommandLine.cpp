#include "CommandLine.h"

#include <QCommandLineParser>
#include <QStringList>

namespace kestrune::launch {

namespace {

constexpr const char* kDescription =
    "Finds the public IPv4 address and publishes it when it changes: IP file, log, FTP upload, mail.\n"
    "Without options it opens its window.";

QString text(const std::string& bytes) { return QString::fromLocal8Bit(bytes.data(), static_cast<qsizetype>(bytes.size())); }
std::string bytes(const QString& text) { return text.toLocal8Bit().toStdString(); }

} // namespace

CommandLine parseCommandLine(const std::vector<std::string>& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromLatin1(kDescription));
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption config(QStringLiteral("config"),
                                    QStringLiteral("Use FILE as the settings file; the help and upload files go "
                                                   "beside it."),
                                    QStringLiteral("FILE"));
    const QCommandLineOption headless(QStringLiteral("headless"),
                                      QStringLiteral("Run without a window: check at once, then every Interval "
                                                     "minutes (Interval=0: once). Events go to standard error."));
    const QCommandLineOption checkOnce(QStringLiteral("check-once"),
                                       QStringLiteral("Check once with the change actions, then exit: 0 address "
                                                      "found, 1 lookup failed, 2 an action failed, 3 already "
                                                      "running."));
    const QCommandLineOption testNotice(QStringLiteral("test-notice"),
                                        QStringLiteral("Send a test notice through notice entry N (from 1), then "
                                                       "exit: 0 sent, 2 not sent."),
                                        QStringLiteral("N"));
    const QCommandLineOption quiet(QStringLiteral("quiet"),
                                   QStringLiteral("Without a window: only warnings and errors (silent when nothing "
                                                  "changed and nothing failed)."));
    const QCommandLineOption verbose(QStringLiteral("verbose"),
                                     QStringLiteral("Without a window: the lookup's reasoning as well."));
    const QCommandLineOption status(QStringLiteral("status"),
                                    QStringLiteral("Show the last check, what each channel last published, the "
                                                   "DNS entries, the retries waiting and whether Kestrune runs."));
    const QCommandLineOption setPassword(QStringLiteral("set-password"),
                                         QStringLiteral("Read a password from standard input (without echo) and "
                                                        "store it scrambled for WHAT: mail, ftp, dns:<i> or command."),
                                         QStringLiteral("WHAT"));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this help."));
    const QCommandLineOption version(QStringLiteral("version"), QStringLiteral("Show the version."));
    parser.addOptions({config, headless, checkOnce, testNotice, quiet, verbose, status, setPassword, help, version});

    QStringList list;
    for (const std::string& argument : arguments)
        list << text(argument);
    CommandLine result;
    const std::string program = arguments.empty() ? "kestrune" : arguments.front();
    const auto misuse = [&](const std::string& reason) {
        result.finished = true;
        result.status = kExitUsage;
        result.error = program + ": " + reason + "\nTry \"" + program + " --help\".\n";
        return result;
    };
    if (!parser.parse(list))
        return misuse(bytes(parser.errorText()));
    if (!parser.positionalArguments().isEmpty())
        return misuse("Unexpected argument: " + bytes(parser.positionalArguments().front()));
    if (parser.isSet(help)) {
        result.finished = true;
        QString usage = parser.helpText();
        usage.replace(QStringLiteral("<executable_name>"), text(program));
        result.output = bytes(usage);
        return result;
    }
    if (parser.isSet(version)) {
        result.finished = true;
        result.output = "Kestrune " KESTRUNE_VERSION "\n";
        return result;
    }
    if (parser.isSet(config)) {
        const QString file = parser.value(config);
        if (file.isEmpty())
            return misuse("--config needs the name of a settings file.");
        result.options.configFile = std::filesystem::path(bytes(file));
    }
    if (parser.isSet(testNotice)) {
        bool number = false;
        const int entry = parser.value(testNotice).toInt(&number);
        if (!number || entry < 1)
            return misuse("--test-notice needs the number of a notice entry (1, 2, ...).");
        result.options.testNotice = entry;
    }
    result.options.headless = parser.isSet(headless);
    result.options.checkOnce = parser.isSet(checkOnce);
    result.options.quiet = parser.isSet(quiet);
    result.options.verbose = parser.isSet(verbose);
    result.options.status = parser.isSet(status);
    if (parser.isSet(setPassword)) {
        const std::string what = bytes(parser.value(setPassword));
        const bool dnsEntry = what.size() > 4 && what.starts_with("dns:") &&
                              what.find_first_not_of("0123456789", 4) == std::string::npos && what[4] != '0';
        if (what != "mail" && what != "ftp" && what != "command" && !dnsEntry)
            return misuse("--set-password takes mail, ftp, dns:<i> (the DNS entry's number, from 1) or command.");
        result.options.setPassword = what;
    }
    if (result.options.headless + result.options.checkOnce + result.options.status +
            result.options.setPassword.has_value() > 1)
        return misuse("--headless, --check-once, --status and --set-password exclude each other.");
    if (result.options.quiet && result.options.verbose)
        return misuse("--quiet and --verbose exclude each other.");
    return result;
}

} // namespace kestrune::launch
