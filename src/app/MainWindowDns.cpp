#include "MainWindow.h"

#include "DnsUpdateDialog.h"
#include "DnsUpdateTab.h"

#include <charconv>
#include <string_view>

namespace kestrune::app {

namespace {

constexpr std::string_view kDnsChannel = "dns";

// The entry number (from 1) of a dynamic-DNS retry channel, or 0.
std::size_t channelEntry(const std::string& channel)
{
    if (!channel.starts_with(kDnsChannel))
        return 0;
    std::size_t number = 0;
    const char* first = channel.data() + kDnsChannel.size();
    const char* last = channel.data() + channel.size();
    const auto [end, error] = std::from_chars(first, last, number);
    return error == std::errc() && end == last ? number : 0;
}

// Retries name entries by their place: a removed entry's retry goes, later ones move up with their entries.
void forgetEntryRetries(std::vector<core::PendingRetry>& retries, std::size_t removed)
{
    const std::size_t number = removed + 1;
    std::erase_if(retries, [number](const core::PendingRetry& retry) { return channelEntry(retry.channel) == number; });
    for (core::PendingRetry& retry : retries) {
        const std::size_t entry = channelEntry(retry.channel);
        if (entry > number)
            retry.channel = std::string(kDnsChannel) + std::to_string(entry - 1);
    }
}

} // namespace

std::optional<core::DnsUpdateEntry> MainWindow::askDnsEntry(const core::DnsUpdateEntry& shown)
{
    DnsUpdateDialog dialog(this);
    dialog.setEntry(shown);
    while (m_dialogs.runDialog(dialog)) {
        const QString problem = dialog.problem();
        if (problem.isEmpty())
            return dialog.entry();
        // The fields stay as typed for the next try.
        m_dialogs.showMessage(problem);
    }
    return std::nullopt;
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
    forgetEntryRetries(m_settings.pendingRetries, index);
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
