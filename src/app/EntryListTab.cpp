#include "EntryListTab.h"

#include "LayoutHelpers.h"

#include <QListWidget>
#include <QPushButton>

#include <algorithm>

namespace kestrune::app {

EntryListTab::EntryListTab(QWidget* parent, const QString& objectName, QString title, QString prefix,
                           QString extraName, QString extraCaption)
    : LazyTab(parent), m_title(std::move(title)), m_prefix(std::move(prefix)), m_extraName(std::move(extraName)),
      m_extraCaption(std::move(extraCaption))
{
    setObjectName(objectName);
}

void EntryListTab::build()
{
    const layout::EntryList made = layout::entryList(this, m_title, m_prefix, m_extraName, m_extraCaption);
    m_entryList = made.list;
    m_addButton = made.add;
    m_editButton = made.edit;
    m_removeButton = made.remove;
    m_extraButton = made.extra;

    connect(m_addButton, &QPushButton::clicked, this, &EntryListTab::addRequested);
    connect(m_editButton, &QPushButton::clicked, this, &EntryListTab::editRequested);
    connect(m_removeButton, &QPushButton::clicked, this, &EntryListTab::removeRequested);
    connect(m_extraButton, &QPushButton::clicked, this, &EntryListTab::extraRequested);
    connect(m_entryList, &QListWidget::itemDoubleClicked, this, &EntryListTab::editRequested);
    connect(m_entryList, &QListWidget::currentRowChanged, this, &EntryListTab::updateButtons);
}

void EntryListTab::showRows(const QStringList& rows, std::vector<bool> extraFor)
{
    ensureBuilt();
    const int selected = m_entryList->currentRow();
    m_extraFor = std::move(extraFor);
    m_entryList->clear();
    m_entryList->addItems(rows);
    m_entryList->setCurrentRow(std::min(selected, m_entryList->count() - 1));
    updateButtons();
}

int EntryListTab::selectedEntry() const { return ready(m_entryList)->currentRow(); }

void EntryListTab::updateButtons()
{
    const int row = m_entryList->currentRow();
    const bool selected = row >= 0 && static_cast<std::size_t>(row) < m_extraFor.size();
    m_editButton->setEnabled(selected);
    m_removeButton->setEnabled(selected);
    m_extraButton->setEnabled(selected && m_extraFor[static_cast<std::size_t>(row)]);
}

} // namespace kestrune::app
