#include "EventLog.h"

#include <sys/stat.h>
#include <unistd.h>

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
    line += text;
    for (char& c : line)
        if (c == '\r' || c == '\n')
            c = ' ';
    return line;
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
