#pragma once

#include "LogHistory.h"

#include <QDialog>
#include <QString>
#include <ctime>
#include <vector>

class QLabel;
class QTreeWidget;

namespace kestrune::app {

// A bar across the time the log covers, one band per address, so a glance shows how often it changed.
class TimelineBar : public QWidget {
    Q_OBJECT
public:
    explicit TimelineBar(QWidget* parent = nullptr);
    void setPeriods(std::vector<actions::LogPeriod> periods, std::time_t now);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::vector<actions::LogPeriod> m_periods; // readable ones only
    std::time_t m_now = 0;
};

// "History": each address the log recorded, from when to when and for how long, newest first.
class HistoryView : public QDialog {
    Q_OBJECT
public:
    explicit HistoryView(QWidget* parent = nullptr);

    // Reads the log again; a missing, empty or foreign log shows what it can.
    void setLog(const QString& path, const actions::DateNames& names);
    void reload();

    QTreeWidget* periodList() const { return m_periodList; }
    TimelineBar* timeline() const { return m_timeline; }
    QLabel* summaryLabel() const { return m_summaryLabel; }

    // "3 d 4 h", "2 h 5 min", "12 min" or "under 1 min".
    static QString durationText(std::time_t seconds);

private:
    QString m_path;
    actions::DateNames m_names = actions::DateNames::english();
    QLabel* m_summaryLabel = nullptr;
    TimelineBar* m_timeline = nullptr;
    QTreeWidget* m_periodList = nullptr;
};

} // namespace kestrune::app
