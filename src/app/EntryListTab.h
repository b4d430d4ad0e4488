#pragma once

#include "LazyTab.h"

#include <QStringList>

#include <vector>

class QListWidget;
class QPushButton;

namespace kestrune::app {

// A tab that lists entries kept in the settings (the DNS updates, the notices): a list with Add, Edit, Remove
// and one button of the tab's own for the selected entry. The tab shows the entries and asks for changes; the
// window makes them.
class EntryListTab : public LazyTab {
    Q_OBJECT
public:
    QListWidget* entryList() const { return ready(m_entryList); }
    QPushButton* addButton() const { return ready(m_addButton); }
    QPushButton* editButton() const { return ready(m_editButton); }
    QPushButton* removeButton() const { return ready(m_removeButton); }
    // The selected entry's index, or -1.
    int selectedEntry() const;

signals:
    void addRequested();
    void editRequested();
    void removeRequested();
    // The tab's own button; each tab passes it on under its own name.
    void extraRequested();

protected:
    // objectName names the tab; title, prefix and the extra button's name and caption make its list (see
    // layout::entryList).
    EntryListTab(QWidget* parent, const QString& objectName, QString title, QString prefix, QString extraName,
                 QString extraCaption);

    QPushButton* extraButton() const { return ready(m_extraButton); }
    // One row per entry, keeping the selected row where it still exists; extraFor[i]: whether the tab's own
    // button applies to entry i.
    void showRows(const QStringList& rows, std::vector<bool> extraFor);
    void build() override;

private:
    void updateButtons();

    QString m_title, m_prefix, m_extraName, m_extraCaption;
    QListWidget* m_entryList = nullptr;
    QPushButton* m_addButton = nullptr;
    QPushButton* m_editButton = nullptr;
    QPushButton* m_removeButton = nullptr;
    QPushButton* m_extraButton = nullptr;
    std::vector<bool> m_extraFor;
};

} // namespace kestrune::app
