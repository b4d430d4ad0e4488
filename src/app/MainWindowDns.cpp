#include "MainWindow.h"

#include "DnsUpdateDialog.h"
#include "DnsUpdateTab.h"
#include "PublishSettings.h"

namespace kestrune::app {

std::optional<core::DnsUpdateEntry> MainWindow::askDnsEntry(const core::DnsUpdateEntry& shown)
{
    DnsUpdateDialog dialog(this);
    return askEntry(m_dialogs, dialog, shown);
}

void MainWindow::onDnsAddClicked()
{
    core::DnsUpdateEntry fresh;
    fresh.enabled = true;
    fresh.provider = "dyndns2";
    const std::optional<core::DnsUpdateEntry> entry = askDnsEntry(fresh);
    if (!entry)
        return;
    m_settings.dnsUpdates.push_back(*entry);
    m_dnsUpdateTab->showEntries(m_settings.dnsUpdates, m_settings.pendingRetries);
}

void MainWindow::onDnsEditClicked()
{
    const int row = m_dnsUpdateTab->selectedEntry();
    if (row < 0 || static_cast<std::size_t>(row) >= m_settings.dnsUpdates.size())
        return;
    const auto index = static_cast<std::size_t>(row);
    const std::optional<core::DnsUpdateEntry> edited = askDnsEntry(m_settings.dnsUpdates[index]);
    // The dialog's wait may have let a check change or remove entries; an edit of one that went is dropped.
    if (!edited || index >= m_settings.dnsUpdates.size())
        return;
    m_settings.dnsUpdates[index] = core::editedDnsUpdateEntry(m_settings.dnsUpdates[index], *edited);
    m_dnsUpdateTab->showEntries(m_settings.dnsUpdates, m_settings.pendingRetries);
}

void MainWindow::onDnsRemoveClicked()
{
    const int row = m_dnsUpdateTab->selectedEntry();
    if (row < 0 || static_cast<std::size_t>(row) >= m_settings.dnsUpdates.size())
        return;
    const auto index = static_cast<std::size_t>(row);
    m_settings.dnsUpdates.erase(m_settings.dnsUpdates.begin() + row);
    core::forgetEntryRetries(m_settings.pendingRetries, "dns", index);
    m_dnsUpdateTab->showEntries(m_settings.dnsUpdates, m_settings.pendingRetries);
}

void MainWindow::onDnsClearHoldClicked()
{
    const int row = m_dnsUpdateTab->selectedEntry();
    if (row < 0 || static_cast<std::size_t>(row) >= m_settings.dnsUpdates.size())
        return;
    m_settings.dnsUpdates[static_cast<std::size_t>(row)].hold.clear();
    m_dnsUpdateTab->showEntries(m_settings.dnsUpdates, m_settings.pendingRetries);
}

} // namespace kestrune::app
