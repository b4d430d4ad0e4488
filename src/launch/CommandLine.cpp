#include "CommandLine.h"

#include <algorithm>
#include <array>
#include <map>
#include <string_view>

namespace kestrune::launch {

namespace {

// After "Usage: <program> [options]".
constexpr const char* kHelp =
    "Finds the public IPv4 and IPv6 addresses and publishes them when they change: IP file, log, FTP upload,\n"
    "mail, dynamic DNS, a command, notices.\n"
    "Without options it opens its window.\n"
    "\n"
    "Options:\n"
    "  --config <FILE>        Use FILE as the settings file; the help and upload\n"
    "                         files go beside it.\n"
    "  --headless             Run without a window: check at once, then every\n"
    "                         Interval minutes (Interval=0: once). Events go to\n"
    "                         standard error.\n"
    "  --check-once           Check once with the change actions, then exit: 0\n"
    "                         address found, 1 lookup failed, 2 an action failed, 3\n"
    "                         already running.\n"
    "  --test-notice <N>      Send a test notice through notice entry N (from 1),\n"
    "                         then exit: 0 sent, 2 not sent.\n"
    "  --quiet                Without a window: only warnings and errors (silent\n"
    "                         when nothing changed and nothing failed).\n"
    "  --verbose              Without a window: the lookup's reasoning as well.\n"
    "  --status               Show the last check, what each channel last published,\n"
    "                         the DNS entries, the retries waiting and whether\n"
    "                         Kestrune runs.\n"
    "  --set-password <WHAT>  Read a password from standard input (without echo) and\n"
    "                         store it scrambled for WHAT: mail, ftp, dns:<i> or\n"
    "                         command.\n"
    "  -h, --help             Show this help.\n"
    "  --version              Show the version.\n";

struct OptionName {
    std::string_view name;
    bool takesValue;
};

constexpr std::array kOptions{
    OptionName{"config", true},   OptionName{"headless", false},    OptionName{"check-once", false},
    OptionName{"test-notice", true}, OptionName{"quiet", false},   OptionName{"verbose", false},
    OptionName{"status", false},  OptionName{"set-password", true}, OptionName{"h", false},
    OptionName{"help", false},    OptionName{"version", false},
};

const OptionName* findOption(std::string_view name)
{
    const auto found = std::find_if(kOptions.begin(), kOptions.end(), [name](const OptionName& o) { return o.name == name; });
    return found == kOptions.end() ? nullptr : &*found;
}

// What was given: each option's last value ("" for a switch), and the first word that is no option.
struct Given {
    std::map<std::string, std::string, std::less<>> options;
    std::string positional;
    bool hasPositional = false;

    bool isSet(std::string_view name) const { return options.find(name) != options.end(); }
    const std::string& value(std::string_view name) const { return options.find(name)->second; }
};

// One dash or two introduce an option's whole name ("-config" is "--config"); "--" ends the options. A value
// follows "=" or comes as the next word.
std::string readArguments(const std::vector<std::string>& arguments, Given& given)
{
    std::vector<std::string> unknown;
    bool optionsEnded = false;
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::string& word = arguments[i];
        if (optionsEnded || word.size() < 2 || word[0] != '-') {
            if (!given.hasPositional)
                given.positional = word;
            given.hasPositional = true;
            continue;
        }
        if (word == "--") {
            optionsEnded = true;
            continue;
        }
        const std::string_view spelled(word);
        const std::string_view named = spelled.substr(spelled[1] == '-' ? 2 : 1);
        const std::size_t equals = named.find('=');
        const std::string_view name = named.substr(0, equals);
        const OptionName* option = findOption(name);
        if (!option) {
            unknown.emplace_back(name);
            continue;
        }
        const std::string typed(spelled.substr(0, spelled.size() - named.size() + name.size()));
        if (!option->takesValue) {
            if (equals != std::string_view::npos)
                return "Unexpected value after '" + typed + "'.";
            given.options[std::string(name)].clear();
        } else if (equals != std::string_view::npos) {
            given.options[std::string(name)] = std::string(named.substr(equals + 1));
        } else if (i + 1 < arguments.size()) {
            given.options[std::string(name)] = arguments[++i];
        } else {
            return "Missing value after '" + typed + "'.";
        }
    }
    if (unknown.size() == 1)
        return "Unknown option '" + unknown.front() + "'.";
    if (!unknown.empty()) {
        std::string list;
        for (const std::string& name : unknown)
            list += (list.empty() ? "" : ", ") + name;
        return "Unknown options: " + list + ".";
    }
    return {};
}

} // namespace

CommandLine parseCommandLine(const std::vector<std::string>& arguments)
{
    CommandLine result;
    const std::string program = arguments.empty() ? "kestrune" : arguments.front();
    const auto misuse = [&](const std::string& reason) {
        result.finished = true;
        result.status = kExitUsage;
        result.error = program + ": " + reason + "\nTry \"" + program + " --help\".\n";
        return result;
    };
    Given given;
    if (const std::string error = readArguments(arguments, given); !error.empty())
        return misuse(error);
    if (given.hasPositional)
        return misuse("Unexpected argument: " + given.positional);
    if (given.isSet("h") || given.isSet("help")) {
        result.finished = true;
        result.output = "Usage: " + program + " [options]\n" + kHelp;
        return result;
    }
    if (given.isSet("version")) {
        result.finished = true;
        result.output = "Kestrune " KESTRUNE_VERSION "\n";
        return result;
    }
    if (given.isSet("config")) {
        const std::string& file = given.value("config");
        if (file.empty())
            return misuse("--config needs the name of a settings file.");
        result.options.configFile = std::filesystem::path(file);
    }
    if (given.isSet("test-notice")) {
        const std::string& number = given.value("test-notice");
        const bool digits = !number.empty() && number.size() <= 9 &&
                            number.find_first_not_of("0123456789") == std::string::npos;
        const int entry = digits ? std::stoi(number) : 0;
        if (entry < 1)
            return misuse("--test-notice needs the number of a notice entry (1, 2, ...).");
        result.options.testNotice = entry;
    }
    result.options.headless = given.isSet("headless");
    result.options.checkOnce = given.isSet("check-once");
    result.options.quiet = given.isSet("quiet");
    result.options.verbose = given.isSet("verbose");
    result.options.status = given.isSet("status");
    if (given.isSet("set-password")) {
        const std::string& what = given.value("set-password");
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
