#pragma once

#include "Settings.h"
#include "LazyTab.h"

#include <vector>

class QListWidget;
class QPushButton;

namespace kestrune::app {

// "Notices": the ntfy, Gotify and webhook entries the monitor sends its events to. The entries live in the
// settings the monitor reads; the tab shows them and asks for changes and tests.
class NoticesTab : public LazyTab {
    Q_OBJECT
public:
    explicit NoticesTab(QWidget* parent = nullptr);

    // One row per entry: its kind and host, and whether it is off.
    QListWidget* entryList() const { return ready(m_entryList); }
    QPushButton* addButton() const { return ready(m_addButton); }
    QPushButton* editButton() const { return ready(m_editButton); }
    QPushButton* removeButton() const { return ready(m_removeButton); }
    // Sends a test notice through the selected entry.
    QPushButton* testButton() const { return ready(m_testButton); }

    // Shows the entries, keeping the selected row where it still exists.
    void showEntries(const std::vector<core::NoticeEntry>& entries);
    // The selected entry's index, or -1.
    int selectedEntry() const;

signals:
    void addRequested();
    void editRequested();
    void removeRequested();
    void testRequested();

protected:
    void build() override;

private:
    void updateButtons();

    QListWidget* m_entryList = nullptr;
    QPushButton* m_addButton = nullptr;
    QPushButton* m_editButton = nullptr;
    QPushButton* m_removeButton = nullptr;
    QPushButton* m_testButton = nullptr;
};

} // namespace kestrune::app
