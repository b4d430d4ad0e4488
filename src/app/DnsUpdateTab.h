#pragma once

#include "Settings.h"
#include "EntryListTab.h"

#include <vector>

namespace kestrune::app {

// "DNS update": the dynamic-DNS entries a change updates. The entries live in the settings the monitor reads,
// which may stop one (its hold); the tab shows them and asks for changes.
class DnsUpdateTab : public EntryListTab {
    Q_OBJECT
public:
    explicit DnsUpdateTab(QWidget* parent = nullptr);

    // Offered while the selected entry is stopped.
    QPushButton* clearHoldButton() const { return extraButton(); }

    // One row per entry: its hosts, provider and families, whether it is off, why it stopped, its last update
    // (when, the answer, whether the name answers it) and its next try.
    void showEntries(const std::vector<core::DnsUpdateEntry>& entries,
                     const std::vector<core::PendingRetry>& retries);

signals:
    void clearHoldRequested();
};

} // namespace kestrune::app
