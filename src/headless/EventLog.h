#pragma once

#include <functional>
#include <string>

namespace kestrune::headless {

// The syslog priorities journald reads from a "<N>" prefix.
enum class Level { Error = 3, Warning = 4, Notice = 5, Info = 6, Debug = 7 };

// How much a run without a window says: --quiet keeps warnings and errors (a cron run stays silent when nothing
// changed and nothing failed), --verbose adds the lookup's reasoning.
enum class Verbosity { Quiet, Normal, Verbose };

// The one place the headless face's lines go through: one event per line, each with its level, as journald reads
// it ("<3>…") when standard error is the journal's stream, else with a word ("error: …", "warning: …").
class EventLog {
public:
    using Sink = std::function<void(const std::string&)>;

    // An empty sink writes to standard error.
    explicit EventLog(Sink sink = {}, Verbosity verbosity = Verbosity::Normal, bool journal = false);

    void write(Level level, const std::string& text) const;
    bool shows(Level level) const;

    // The line as written: the level's prefix and the text, line breaks flattened so one event stays one line.
    static std::string format(Level level, const std::string& text, bool journal);
    // JOURNAL_STREAM names the device and inode of standard error: systemd connected it to the journal.
    static bool standardErrorIsJournal();

private:
    Sink m_sink;
    Verbosity m_verbosity;
    bool m_journal;
};

} // namespace kestrune::headless
