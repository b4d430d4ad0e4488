#include "DnsUpdateTab.h"

#include "DnsUpdateClient.h"
#include "LayoutHelpers.h"
#include "Utf8Text.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

namespace kestrune::app {

namespace {

QString rowText(const core::DnsUpdateEntry& entry)
{
    const std::optional<actions::DnsProvider> provider = actions::dnsProviderFromKey(entry.provider);
    const std::string_view caption = provider ? actions::dnsProviderCaption(*provider) : entry.provider;
    QString text = (entry.hosts.empty() ? QStringLiteral("(no host)") : toQString(entry.hosts)) +
                   QStringLiteral(" - ") + toQString(caption);
    if (!entry.enabled)
        text += QStringLiteral(", off");
    if (!entry.hold.empty())
        text += QStringLiteral(", stopped: ") + toQString(entry.hold);
    return text;
}

} // namespace

DnsUpdateTab::DnsUpdateTab(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("dnsUpdateTab"));
    auto* page = new QVBoxLayout(this);
    QGroupBox* entries = layout::group(this, QStringLiteral("Dynamic DNS entries "));
    auto* column = new QVBoxLayout(entries);
    m_entryList = new QListWidget(entries);
    m_entryList->setObjectName(QStringLiteral("dnsEntryList"));
    column->addWidget(m_entryList, 1);
    auto* buttons = new QHBoxLayout;
    m_addButton = layout::button(entries, QStringLiteral("dnsAddButton"), QStringLiteral("&Add..."));
    m_editButton = layout::button(entries, QStringLiteral("dnsEditButton"), QStringLiteral("&Edit..."), false);
    m_removeButton = layout::button(entries, QStringLiteral("dnsRemoveButton"), QStringLiteral("Re&move"), false);
    m_clearHoldButton =
        layout::button(entries, QStringLiteral("dnsClearHoldButton"), QStringLiteral("&Clear hold"), false);
    for (QPushButton* button : {m_addButton, m_editButton, m_removeButton, m_clearHoldButton})
        buttons->addWidget(button);
    buttons->addStretch();
    column->addLayout(buttons);
    page->addWidget(entries, 1);

    connect(m_addButton, &QPushButton::clicked, this, &DnsUpdateTab::addRequested);
    connect(m_editButton, &QPushButton::clicked, this, &DnsUpdateTab::editRequested);
    connect(m_removeButton, &QPushButton::clicked, this, &DnsUpdateTab::removeRequested);
    connect(m_clearHoldButton, &QPushButton::clicked, this, &DnsUpdateTab::clearHoldRequested);
    connect(m_entryList, &QListWidget::itemDoubleClicked, this, &DnsUpdateTab::editRequested);
    connect(m_entryList, &QListWidget::currentRowChanged, this, &DnsUpdateTab::updateButtons);
}

void DnsUpdateTab::showEntries(const std::vector<core::DnsUpdateEntry>& entries)
{
    const int selected = m_entryList->currentRow();
    m_held.clear();
    m_entryList->clear();
    for (const core::DnsUpdateEntry& entry : entries) {
        m_held.push_back(!entry.hold.empty());
        m_entryList->addItem(rowText(entry));
    }
    m_entryList->setCurrentRow(std::min(selected, m_entryList->count() - 1));
    updateButtons();
}

int DnsUpdateTab::selectedEntry() const { return m_entryList->currentRow(); }

void DnsUpdateTab::updateButtons()
{
    const int row = m_entryList->currentRow();
    const bool selected = row >= 0 && static_cast<std::size_t>(row) < m_held.size();
    m_editButton->setEnabled(selected);
    m_removeButton->setEnabled(selected);
    m_clearHoldButton->setEnabled(selected && m_held.at(static_cast<std::size_t>(row)));
}

} // namespace kestrune::app
