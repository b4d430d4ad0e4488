#include "NoticesTab.h"

#include "LayoutHelpers.h"
#include "NoticeChannels.h"
#include "Utf8Text.h"

#include <QListWidget>
#include <QPushButton>
#include <algorithm>

namespace kestrune::app {

namespace {

QString rowText(const core::NoticeEntry& entry)
{
    const actions::NoticeChannel* channel = actions::noticeChannel(entry.kind);
    const std::string host = actions::noticeHost(entry.url);
    QString text = toQString(std::string(channel ? channel->caption() : entry.kind));
    // Only the host: the rest of a webhook's address may be its secret.
    if (!host.empty())
        text += QStringLiteral(" - ") + toQString(host);
    if (!entry.enabled)
        text += QStringLiteral(", off");
    return text;
}

} // namespace

NoticesTab::NoticesTab(QWidget* parent) : LazyTab(parent)
{
    setObjectName(QStringLiteral("noticesTab"));
}

void NoticesTab::build()
{
    const layout::EntryList made = layout::entryList(this, QStringLiteral("Notices "), QStringLiteral("notice"),
                                                     QStringLiteral("noticeTestButton"), QStringLiteral("Send &test"));
    m_entryList = made.list;
    m_addButton = made.add;
    m_editButton = made.edit;
    m_removeButton = made.remove;
    m_testButton = made.extra;

    connect(m_addButton, &QPushButton::clicked, this, &NoticesTab::addRequested);
    connect(m_editButton, &QPushButton::clicked, this, &NoticesTab::editRequested);
    connect(m_removeButton, &QPushButton::clicked, this, &NoticesTab::removeRequested);
    connect(m_testButton, &QPushButton::clicked, this, &NoticesTab::testRequested);
    connect(m_entryList, &QListWidget::itemDoubleClicked, this, &NoticesTab::editRequested);
    connect(m_entryList, &QListWidget::currentRowChanged, this, &NoticesTab::updateButtons);
}

void NoticesTab::showEntries(const std::vector<core::NoticeEntry>& entries)
{
    ensureBuilt();
    const int selected = m_entryList->currentRow();
    m_entryList->clear();
    for (const core::NoticeEntry& entry : entries)
        m_entryList->addItem(rowText(entry));
    m_entryList->setCurrentRow(std::min(selected, m_entryList->count() - 1));
    updateButtons();
}

int NoticesTab::selectedEntry() const { return ready(m_entryList)->currentRow(); }

void NoticesTab::updateButtons()
{
    const bool selected = m_entryList->currentRow() >= 0;
    for (QPushButton* button : {m_editButton, m_removeButton, m_testButton})
        button->setEnabled(selected);
}

} // namespace kestrune::app
