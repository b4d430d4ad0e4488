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
void forgetEntryRetries(std::vector<settings::PendingRetry>& retries, std::size_t removed)
{
    const std::size_t number = removed + 1;
    std::erase_if(retries, [number](const settings::PendingRetry& retry) { return channelEntry(retry.channel) == number; });
    for (settings::PendingRetry& retry : retries) {
        const std::size_t entry = channelEntry(retry.channel);
        if (entry > number)
            retry.channel = std::string(kDnsChannel) + std::to_string(entry - 1);
    }
}

} // namespace

std::optional<settings::DnsUpdateEntry> MainWindow::askDnsEntry(const settings::DnsUpdateEntry& shown)
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
    settings::DnsUpdateEntry fresh;
    fresh.enabled = true;
    fresh.provider = "dyndns2";
    const std::optional<settings::DnsUpdateEntry> entry = askDnsEntry(fresh);
    if (!entry)
        return;
    m_settings.DnsUpdates.push_back(*entry);
    m_dnsUpdateTab->showEntries(m_settings.DnsUpdates);
}

void MainWindow::onDnsEditClicked()
{
    const int row = m_dnsUpdateTab->selectedEntry();
    if (row < 0 || static_cast<std::size_t>(row) >= m_settings.DnsUpdates.size())
        return;
    const auto index = static_cast<std::size_t>(row);
    const std::optional<settings::DnsUpdateEntry> edited = askDnsEntry(m_settings.DnsUpdates[index]);
    // The dialog's wait may have let a check change or remove entries; an edit of one that went is dropped.
    if (!edited || index >= m_settings.DnsUpdates.size())
        return;
    m_settings.DnsUpdates[index] = settings::editedDnsUpdateEntry(m_settings.DnsUpdates[index], *edited);
    m_dnsUpdateTab->showEntries(m_settings.DnsUpdates);
}

void MainWindow::onDnsRemoveClicked()
{
    const int row = m_dnsUpdateTab->selectedEntry();
    if (row < 0 || static_cast<std::size_t>(row) >= m_settings.DnsUpdates.size())
        return;
    const auto index = static_cast<std::size_t>(row);
    m_settings.DnsUpdates.erase(m_settings.DnsUpdates.begin() + row);
    forgetEntryRetries(m_settings.PendingRetries, index);
    m_dnsUpdateTab->showEntries(m_settings.DnsUpdates);
}

void MainWindow::onDnsClearHoldClicked()
{
    const int row = m_dnsUpdateTab->selectedEntry();
    if (row < 0 || static_cast<std::size_t>(row) >= m_settings.DnsUpdates.size())
        return;
    m_settings.DnsUpdates[static_cast<std::size_t>(row)].hold.clear();
    m_dnsUpdateTab->showEntries(m_settings.DnsUpdates);
}

} // namespace kestrune::app
