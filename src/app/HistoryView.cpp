#include "HistoryView.h"

#include <QDateTime>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

using namespace kestrune::actions;

namespace kestrune::app {

namespace {

QString timeText(std::time_t when)
{
    return QDateTime::fromSecsSinceEpoch(static_cast<qint64>(when)).toString(QStringLiteral("yyyy-MM-dd HH:mm"));
}

// The same address keeps its colour along the bar.
QColor addressColour(const std::string& address)
{
    return QColor::fromHsv(static_cast<int>(qHash(QByteArray::fromStdString(address)) % 360), 140, 210);
}

} // namespace

TimelineBar::TimelineBar(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("historyTimeline"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void TimelineBar::setPeriods(std::vector<LogPeriod> periods, std::time_t now)
{
    periods.erase(std::remove_if(periods.begin(), periods.end(), [](const LogPeriod& p) { return !p.readable; }),
                  periods.end());
    m_periods = std::move(periods);
    m_now = now;
    update();
}

QSize TimelineBar::sizeHint() const { return {400, 28}; }

void TimelineBar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRect bar = rect().adjusted(1, 1, -2, -2);
    painter.fillRect(bar, palette().color(QPalette::Base));
    if (!m_periods.empty()) {
        const auto [oldest, newest] = std::minmax_element(
            m_periods.begin(), m_periods.end(), [](const LogPeriod& a, const LogPeriod& b) { return a.from < b.from; });
        const std::time_t first = oldest->from;
        const std::time_t last = std::max(m_now, newest->from + 1);
        const double span = static_cast<double>(last - first);
        auto x = [&](std::time_t when) {
            return bar.left() + static_cast<int>(static_cast<double>(when - first) / span * bar.width());
        };
        // With IPv6 entries the bar splits: IPv4 above, IPv6 below.
        const bool twoBars = std::any_of(m_periods.begin(), m_periods.end(), [](const LogPeriod& p) { return p.ipv6; });
        const int middle = bar.top() + bar.height() / 2;
        for (const LogPeriod& period : m_periods) {
            const int left = x(period.from);
            const int right = std::max(left + 1, x(period.until.value_or(last)));
            const int top = twoBars && period.ipv6 ? middle + 1 : bar.top();
            const int bottom = twoBars && !period.ipv6 ? middle : bar.bottom();
            painter.fillRect(QRect(QPoint(left, top), QPoint(right, bottom)), addressColour(period.address));
            // A change is a line, so short periods still show.
            painter.setPen(palette().color(QPalette::WindowText));
            painter.drawLine(left, top, left, bottom);
        }
    }
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(bar);
}

HistoryView::HistoryView(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("historyView"));
    setWindowTitle(QStringLiteral("History"));
    auto* column = new QVBoxLayout(this);
    m_summaryLabel = new QLabel(this);
    m_summaryLabel->setObjectName(QStringLiteral("historySummary"));
    m_summaryLabel->setWordWrap(true);
    m_timeline = new TimelineBar(this);
    m_periodList = new QTreeWidget(this);
    m_periodList->setObjectName(QStringLiteral("historyList"));
    m_periodList->setRootIsDecorated(false);
    m_periodList->setHeaderLabels({QStringLiteral("Address"), QStringLiteral("From"), QStringLiteral("Until"),
                                   QStringLiteral("Duration")});
    m_periodList->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::hide);
    column->addWidget(m_summaryLabel);
    column->addWidget(m_timeline);
    column->addWidget(m_periodList, 1);
    column->addWidget(buttons);
    resize(560, 360);
}

void HistoryView::setLog(const QString& path, const DateNames& names)
{
    m_path = path;
    m_names = names;
    reload();
}

void HistoryView::reload()
{
    const std::vector<LogPeriod> periods =
        m_path.isEmpty() ? std::vector<LogPeriod>{} : loadLogHistory(m_path.toStdString(), m_names);
    const std::time_t now = static_cast<std::time_t>(QDateTime::currentSecsSinceEpoch());
    m_periodList->clear();
    int changes = 0;
    for (const LogPeriod& period : periods) {
        auto* row = new QTreeWidgetItem(m_periodList);
        row->setText(0, QString::fromStdString(period.address));
        if (!period.readable) {
            row->setFirstColumnSpanned(true);
            continue;
        }
        ++changes;
        row->setText(1, timeText(period.from));
        row->setText(2, period.until ? timeText(*period.until) : QStringLiteral("now"));
        row->setText(3, durationText(period.until.value_or(std::max(now, period.from)) - period.from));
    }
    m_timeline->setPeriods(periods, now);
    if (m_path.isEmpty())
        m_summaryLabel->setText(QStringLiteral("No log file is set (Local Files tab)."));
    else if (periods.empty())
        m_summaryLabel->setText(QStringLiteral("No entries in %1 yet.").arg(m_path));
    else
        m_summaryLabel->setText(QStringLiteral("%1 address periods in %2").arg(changes).arg(m_path));
}

QString HistoryView::durationText(std::time_t seconds)
{
    const long long minutes = static_cast<long long>(seconds) / 60;
    const long long hours = minutes / 60;
    const long long days = hours / 24;
    if (days > 0)
        return QStringLiteral("%1 d %2 h").arg(days).arg(hours % 24);
    if (hours > 0)
        return QStringLiteral("%1 h %2 min").arg(hours).arg(minutes % 60);
    if (minutes > 0)
        return QStringLiteral("%1 min").arg(minutes);
    return QStringLiteral("under 1 min");
}

} // namespace kestrune::app
