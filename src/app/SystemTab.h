#pragma once

#include "Settings.h"
#include "SettingsTable.h"

#include <QWidget>

class QCheckBox;
class QFrame;
class QLabel;
class QPushButton;

namespace kestrune::app {

class SpinBox;

// "System": the check interval and its countdown, Start and Stop, start-up and tray preferences, the
// feedback form's button and the program's notice.
class SystemTab : public QWidget {
    Q_OBJECT
public:
    explicit SystemTab(QWidget* parent = nullptr);

    SpinBox* intervalSpin() const { return m_intervalSpin; }
    // The interval in hours and minutes.
    QLabel* intervalLabel() const { return m_intervalLabel; }
    QLabel* countdownCaption() const { return m_countdownCaption; }
    // Minutes to the next check, or "Manual".
    QLabel* countdownLabel() const { return m_countdownLabel; }
    QPushButton* startButton() const { return m_startButton; }
    QPushButton* stopButton() const { return m_stopButton; }
    QCheckBox* autoStartCheck() const { return m_autoStartCheck; }
    QCheckBox* minimizeToTrayCheck() const { return m_minimizeToTrayCheck; }
    QCheckBox* startMinimizedCheck() const { return m_startMinimizedCheck; }
    QCheckBox* publicOnlyCheck() const { return m_publicOnlyCheck; }
    // Whether the login starts the program: the autostart entry's presence, not a setting.
    QCheckBox* loginStartCheck() const { return m_loginStartCheck; }
    QPushButton* feedbackButton() const { return m_feedbackButton; }
    QPushButton* historyButton() const { return m_historyButton; }
    QCheckBox* debugCheck() const { return m_debugCheck; }
    QLabel* productLabel() const { return m_productLabel; }
    QLabel* webAddressLabel() const { return m_webAddressLabel; }
    // The last word on whether the provider hides the router behind a shared address.
    QLabel* diagnosisLabel() const { return m_diagnosisLabel; }
    void showDiagnosis(const QString& text);

    void loadSetting(core::Setting id, const core::Settings& settings);
    // Fields still showing what was loaded give back the loaded bytes.
    void storeSettings(core::Settings& settings, const core::Settings& loaded) const;
    // The start-up box's caption says what it does at this interval.
    void showAutoStartCaption(int interval);

signals:
    void startRequested();
    void stopRequested();
    void intervalChanged();
    void intervalBoxLeft();
    void minimizeToTrayToggled();
    // The user ticked or cleared the login box (not the program setting it).
    void loginStartClicked(bool checked);
    void debugToggled();
    void feedbackRequested();
    void historyRequested();
    void webAddressClicked();

private:
    SpinBox* m_intervalSpin = nullptr;
    QLabel* m_intervalLabel = nullptr;
    QLabel* m_countdownCaption = nullptr;
    QLabel* m_countdownLabel = nullptr;
    QPushButton* m_startButton = nullptr;
    QPushButton* m_stopButton = nullptr;
    QCheckBox* m_autoStartCheck = nullptr;
    QCheckBox* m_minimizeToTrayCheck = nullptr;
    QCheckBox* m_startMinimizedCheck = nullptr;
    QCheckBox* m_publicOnlyCheck = nullptr;
    QCheckBox* m_loginStartCheck = nullptr;
    QPushButton* m_feedbackButton = nullptr;
    QPushButton* m_historyButton = nullptr;
    QCheckBox* m_debugCheck = nullptr;
    QFrame* m_aboutPanel = nullptr;
    QLabel* m_productLabel = nullptr;
    QLabel* m_noticeLabel = nullptr;
    QLabel* m_webAddressLabel = nullptr;
    QLabel* m_diagnosisLabel = nullptr;
};

} // namespace kestrune::app
