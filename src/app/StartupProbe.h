#pragma once

class QWidget;

namespace kestrune::app {

// When KESTRUNE_EXIT_AFTER_SHOW is set, the window's first paint is followed by one line on standard output,
// "shown <wall clock in ns since the epoch> rss_kb <resident memory>", and the program quits, so that start-up
// can be timed from outside. Without the variable nothing is installed.
void installStartupProbe(QWidget& window);

} // namespace kestrune::app
