#include "DnsUpdateTab.h"

#include "DnsProvider.h"
#include "Utf8Text.h"

#include <QDateTime>
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

DnsUpdateTab::DnsUpdateTab(QWidget* parent)
    : EntryListTab(parent, QStringLiteral("dnsUpdateTab"), QStringLiteral("Dynamic DNS entries "), QStringLiteral("dns"),
                   QStringLiteral("dnsClearHoldButton"), QStringLiteral("&Clear hold"))
{
    connect(this, &EntryListTab::extraRequested, this, &DnsUpdateTab::clearHoldRequested);
}

void DnsUpdateTab::showEntries(const std::vector<core::DnsUpdateEntry>& entries,
                               const std::vector<core::PendingRetry>& retries)
{
    QStringList rows;
    std::vector<bool> held;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const std::string channel = "dns" + std::to_string(i + 1);
        const auto retry = std::ranges::find(retries, channel, &core::PendingRetry::channel);
        rows << rowText(entries[i], retry == retries.end() ? nullptr : &*retry);
        held.push_back(!entries[i].hold.empty());
    }
    showRows(rows, std::move(held));
}

} // namespace kestrune::app
