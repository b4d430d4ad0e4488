#include "MainWindow.h"

#include "NoticeDialog.h"
#include "NoticeSettings.h"
#include "NoticesTab.h"
#include "PublishSettings.h"

namespace kestrune::app {

std::optional<core::NoticeEntry> MainWindow::askNoticeEntry(const core::NoticeEntry& shown)
{
    NoticeDialog dialog(this);
    return askEntry(m_dialogs, dialog, shown);
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
    core::forgetEntryRetries(m_settings.pendingRetries, "notice", static_cast<std::size_t>(row));
    m_noticesTab->showEntries(m_settings.notices);
}

void MainWindow::onNoticeTestClicked()
{
    const int row = m_noticesTab->selectedEntry();
    if (row >= 0)
        m_monitor->sendTestNotice(static_cast<std::size_t>(row));
}

} // namespace kestrune::app
