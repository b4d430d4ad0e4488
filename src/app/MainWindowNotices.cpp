#include "MainWindow.h"

#include "NoticeDialog.h"
#include "NoticeSettings.h"
#include "NoticesTab.h"

#include <charconv>
#include <string_view>

namespace kestrune::app {

namespace {

constexpr std::string_view kNoticeChannel = "notice";

// The entry number (from 1) of a notice's retry channel ("notice<n>|..."), or 0.
std::size_t channelEntry(const std::string& channel, std::size_t& numberEnd)
{
    if (!channel.starts_with(kNoticeChannel))
        return 0;
    std::size_t number = 0;
    const char* first = channel.data() + kNoticeChannel.size();
    const auto [end, error] = std::from_chars(first, channel.data() + channel.size(), number);
    numberEnd = static_cast<std::size_t>(end - channel.data());
    return error == std::errc() && (numberEnd == channel.size() || channel[numberEnd] == '|') ? number : 0;
}

// Retries name entries by their place: a removed entry's retries go, later ones move up with their entries.
void forgetNoticeRetries(std::vector<core::PendingRetry>& retries, std::size_t removed)
{
    const std::size_t number = removed + 1;
    std::size_t end = 0;
    std::erase_if(retries, [&](const core::PendingRetry& retry) { return channelEntry(retry.channel, end) == number; });
    for (core::PendingRetry& retry : retries) {
        const std::size_t entry = channelEntry(retry.channel, end);
        if (entry > number)
            retry.channel = std::string(kNoticeChannel) + std::to_string(entry - 1) + retry.channel.substr(end);
    }
}

} // namespace

std::optional<core::NoticeEntry> MainWindow::askNoticeEntry(const core::NoticeEntry& shown)
{
    NoticeDialog dialog(this);
    dialog.setEntry(shown);
    while (m_dialogs.runDialog(dialog)) {
        const QString problem = dialog.problem();
        if (problem.isEmpty())
            return dialog.entry();
        m_dialogs.showMessage(problem);
    }
    return std::nullopt;
}

void MainWindow::onNoticeAddClicked()
{
    core::NoticeEntry fresh;
    fresh.enabled = true;
    fresh.kind = "ntfy";
    fresh.events = core::kDefaultNoticeEvents;
    const std::optional<core::NoticeEntry> entry = askNoticeEntry(fresh);
    if (!entry)
        return;
    m_settings.notices.push_back(*entry);
    m_noticesTab->showEntries(m_settings.notices);
}

void MainWindow::onNoticeEditClicked()
{
    const int row = m_noticesTab->selectedEntry();
    if (row < 0 || static_cast<std::size_t>(row) >= m_settings.notices.size())
        return;
    const auto index = static_cast<std::size_t>(row);
    const std::optional<core::NoticeEntry> edited = askNoticeEntry(m_settings.notices[index]);
    // The dialog's wait may have let the list change; an edit of an entry that went is dropped.
    if (!edited || index >= m_settings.notices.size())
        return;
    m_settings.notices[index] = *edited;
    m_noticesTab->showEntries(m_settings.notices);
}

void MainWindow::onNoticeRemoveClicked()
{
    const int row = m_noticesTab->selectedEntry();
    if (row < 0 || static_cast<std::size_t>(row) >= m_settings.notices.size())
        return;
    m_settings.notices.erase(m_settings.notices.begin() + row);
    forgetNoticeRetries(m_settings.pendingRetries, static_cast<std::size_t>(row));
    m_noticesTab->showEntries(m_settings.notices);
}

void MainWindow::onNoticeTestClicked()
{
    const int row = m_noticesTab->selectedEntry();
    if (row >= 0)
        m_monitor->sendTestNotice(static_cast<std::size_t>(row));
}

} // namespace kestrune::app
