#include "NoticesTab.h"

#include "NoticeChannels.h"
#include "Utf8Text.h"


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

NoticesTab::NoticesTab(QWidget* parent)
    : EntryListTab(parent, QStringLiteral("noticesTab"), QStringLiteral("Notices "), QStringLiteral("notice"),
                   QStringLiteral("noticeTestButton"), QStringLiteral("Send &test"))
{
    connect(this, &EntryListTab::extraRequested, this, &NoticesTab::testRequested);
}

void NoticesTab::showEntries(const std::vector<core::NoticeEntry>& entries)
{
    QStringList rows;
    for (const core::NoticeEntry& entry : entries)
        rows << rowText(entry);
    showRows(rows, std::vector<bool>(entries.size(), true));
}

} // namespace kestrune::app
