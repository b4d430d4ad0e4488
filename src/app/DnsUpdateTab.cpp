#include "DnsUpdateTab.h"

#include "DnsProvider.h"
#include "LayoutHelpers.h"
#include "Utf8Text.h"

#include <QDateTime>
#include <QListWidget>
#include <QPushButton>
#include <algorithm>

namespace kestrune::app {

namespace {

QString timeText(long long seconds)
{
    return QDateTime::fromSecsSinceEpoch(seconds).toString(QStringLiteral("yyyy-MM-dd HH:mm"));
}

QString rowText(const core::DnsUpdateEntry& entry, const core::PendingRetry* retry)
{
    const actions::DnsProviderInfo* info = actions::findDnsProvider(entry.provider);
    const std::string_view caption = info ? info->caption : std::string_view(entry.provider);
    QString text = (entry.hosts.empty() ? QStringLiteral("(no host)") : toQString(entry.hosts)) +
                   QStringLiteral(" - ") + toQString(std::string(caption));
    if (entry.family == 6)
        text += QStringLiteral(" (IPv6)");
    else if (entry.family == 46)
        text += QStringLiteral(" (IPv4 and IPv6)");
    if (!entry.enabled)
        text += QStringLiteral(", off");
    if (!entry.hold.empty())
        text += QStringLiteral(", stopped: ") + toQString(entry.hold);
    if (entry.updated > 0)
        text += QStringLiteral("; updated ") + timeText(entry.updated) + QStringLiteral(" (") +
                toQString(entry.answer) + QStringLiteral(")");
    if (!entry.proof.empty())
        text += QStringLiteral(", ") + toQString(entry.proof);
    if (retry)
        text += (entry.answer.empty() ? QStringLiteral("; next try ")
                                      : QStringLiteral("; last try: ") + toQString(entry.answer) + QStringLiteral(", next try ")) +
                timeText(retry->due);
    return text;
}

} // namespace

DnsUpdateTab::DnsUpdateTab(QWidget* parent) : LazyTab(parent)
{
    setObjectName(QStringLiteral("dnsUpdateTab"));
}

void DnsUpdateTab::build()
{
    const layout::EntryList made = layout::entryList(this, QStringLiteral("Dynamic DNS entries "), QStringLiteral("dns"),
                                                     QStringLiteral("dnsClearHoldButton"), QStringLiteral("&Clear hold"));
    m_entryList = made.list;
    m_addButton = made.add;
    m_editButton = made.edit;
    m_removeButton = made.remove;
    m_clearHoldButton = made.extra;

    connect(m_addButton, &QPushButton::clicked, this, &DnsUpdateTab::addRequested);
    connect(m_editButton, &QPushButton::clicked, this, &DnsUpdateTab::editRequested);
    connect(m_removeButton, &QPushButton::clicked, this, &DnsUpdateTab::removeRequested);
    connect(m_clearHoldButton, &QPushButton::clicked, this, &DnsUpdateTab::clearHoldRequested);
    connect(m_entryList, &QListWidget::itemDoubleClicked, this, &DnsUpdateTab::editRequested);
    connect(m_entryList, &QListWidget::currentRowChanged, this, &DnsUpdateTab::updateButtons);
}

void DnsUpdateTab::showEntries(const std::vector<core::DnsUpdateEntry>& entries,
                               const std::vector<core::PendingRetry>& retries)
{
    ensureBuilt();
    const int selected = m_entryList->currentRow();
    m_held.clear();
    m_entryList->clear();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const std::string channel = "dns" + std::to_string(i + 1);
        const auto retry = std::ranges::find(retries, channel, &core::PendingRetry::channel);
        m_held.push_back(!entries[i].hold.empty());
        m_entryList->addItem(rowText(entries[i], retry == retries.end() ? nullptr : &*retry));
    }
    m_entryList->setCurrentRow(std::min(selected, m_entryList->count() - 1));
    updateButtons();
}

int DnsUpdateTab::selectedEntry() const { return ready(m_entryList)->currentRow(); }

void DnsUpdateTab::updateButtons()
{
    const int row = m_entryList->currentRow();
    const bool selected = row >= 0 && static_cast<std::size_t>(row) < m_held.size();
    m_editButton->setEnabled(selected);
    m_removeButton->setEnabled(selected);
    m_clearHoldButton->setEnabled(selected && m_held.at(static_cast<std::size_t>(row)));
}

} // namespace kestrune::app
