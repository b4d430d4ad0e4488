#pragma once

#include "Settings.h"
#include "LazyTab.h"

#include <vector>

class QListWidget;
class QPushButton;

namespace kestrune::app {

// "DNS update": the dynamic-DNS entries a change updates. The entries live in the settings the monitor reads,
// which may stop one (its hold); the tab shows them and asks for changes.
class DnsUpdateTab : public LazyTab {
    Q_OBJECT
public:
    explicit DnsUpdateTab(QWidget* parent = nullptr);

    // One row per entry: its hosts, provider and families, whether it is off, why it stopped, its last update
    // (when, the answer, whether the name answers it) and its next try.
    QListWidget* entryList() const { return ready(m_entryList); }
    QPushButton* addButton() const { return ready(m_addButton); }
    QPushButton* editButton() const { return ready(m_editButton); }
    QPushButton* removeButton() const { return ready(m_removeButton); }
    // Offered while the selected entry is stopped.
    QPushButton* clearHoldButton() const { return ready(m_clearHoldButton); }

    // Shows the entries, keeping the selected row where it still exists.
    void showEntries(const std::vector<core::DnsUpdateEntry>& entries,
                     const std::vector<core::PendingRetry>& retries);
    // The selected entry's index, or -1.
    int selectedEntry() const;

signals:
    void addRequested();
    void editRequested();
    void removeRequested();
    void clearHoldRequested();

protected:
    void build() override;

private:
    void updateButtons();

    QListWidget* m_entryList = nullptr;
    QPushButton* m_addButton = nullptr;
    QPushButton* m_editButton = nullptr;
    QPushButton* m_removeButton = nullptr;
    QPushButton* m_clearHoldButton = nullptr;
    std::vector<bool> m_held;
};

} // namespace kestrune::app
