#pragma once

#include "Settings.h"
#include "EntryListTab.h"

#include <vector>

namespace kestrune::app {

// "Notices": the ntfy, Gotify and webhook entries the monitor sends its events to. The entries live in the
// settings the monitor reads; the tab shows them and asks for changes and tests.
class NoticesTab : public EntryListTab {
    Q_OBJECT
public:
    explicit NoticesTab(QWidget* parent = nullptr);

    // Sends a test notice through the selected entry.
    QPushButton* testButton() const { return extraButton(); }

    // One row per entry: its kind and host, and whether it is off.
    void showEntries(const std::vector<core::NoticeEntry>& entries);

signals:
    void testRequested();
};

} // namespace kestrune::app
