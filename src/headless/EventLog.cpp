#include "EventLog.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace kestrune::headless {

namespace {

void writeToStandardError(const std::string& line)
{
    std::fprintf(stderr, "%s\n", line.c_str());
    std::fflush(stderr);
}

std::string socketErrorInWords(const std::string& text)
{
    constexpr std::string_view kMarker = "Socket Error # ";
    const std::size_t at = text.find(kMarker);
    if (at == std::string::npos)
        return text;
    const std::size_t number = at + kMarker.size();
    std::size_t end = number;
    while (end < text.size() && std::isdigit(static_cast<unsigned char>(text[end])))
        ++end;
    const std::size_t words = text.find_first_not_of(' ', end);
    if (end == number || words == end || words == std::string::npos)
        return text;
    return text.substr(0, at) + text.substr(words) + " (Socket Error # " + text.substr(number, end - number) + ")";
}

} // namespace

EventLog::EventLog(Sink sink, Verbosity verbosity, bool journal)
    : m_sink(sink ? std::move(sink) : Sink(writeToStandardError)), m_verbosity(verbosity), m_journal(journal)
{
}

bool EventLog::shows(Level level) const
{
    switch (m_verbosity) {
    case Verbosity::Quiet:
        return level <= Level::Warning;
    case Verbosity::Normal:
        return level <= Level::Info;
    case Verbosity::Verbose:
        return true;
    }
    return true;
}

void EventLog::write(Level level, const std::string& text) const
{
    if (shows(level))
        m_sink(format(level, text, m_journal));
}

std::string EventLog::format(Level level, const std::string& text, bool journal)
{
    std::string line;
    if (journal)
        line = "<" + std::to_string(static_cast<int>(level)) + ">";
    else if (level == Level::Error)
        line = "error: ";
    else if (level == Level::Warning)
        line = "warning: ";
    std::string flat = text;
    for (char& c : flat)
        if (c == '\r' || c == '\n')
            c = ' ';
    return line + socketErrorInWords(flat);
}

bool EventLog::standardErrorIsJournal()
{
    const char* stream = std::getenv("JOURNAL_STREAM");
    if (stream == nullptr)
        return false;
    struct stat st {};
    if (::fstat(STDERR_FILENO, &st) != 0)
        return false;
    const std::string expected = std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino);
    return std::string_view(stream) == expected;
}

} // namespace kestrune::headless
