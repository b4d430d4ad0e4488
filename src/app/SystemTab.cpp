#include "SystemTab.h"

#include "Utf8Text.h"

#include "EventTap.h"
#include "LayoutHelpers.h"
#include "SchedulerRules.h"
#include "Settings.h"
#include "SpinBox.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

using namespace kestrune::core;

namespace kestrune::app {

namespace {
const char* const kReleaseNotice = "Free software for personal use. No warranty.";
const char* const kWebAddress = "https://kestrune.example.org/";
}

SystemTab::SystemTab(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("systemTab"));
    auto* page = new QVBoxLayout(this);

    QGroupBox* timer = layout::group(this, QStringLiteral("Timer"));
    auto* grid = new QGridLayout(timer);
    m_intervalSpin = new SpinBox(timer);
    m_intervalSpin->setObjectName(QStringLiteral("intervalSpin"));
    m_intervalSpin->setMinValue(0);
    m_intervalSpin->setMaxValue(kMaxInterval);
    m_intervalSpin->setValue(10);
    m_countdownCaption =
        layout::caption(timer, QStringLiteral("Time left to next check"), QStringLiteral("countdownCaption"));
    m_countdownLabel = layout::displayPanel(timer, QStringLiteral("countdownLabel"));
    m_intervalLabel = layout::displayPanel(timer, QStringLiteral("intervalLabel"));
    m_startButton = layout::button(timer, QStringLiteral("startButton"), QStringLiteral("&Start"));
    m_stopButton = layout::button(timer, QStringLiteral("stopButton"), QStringLiteral("S&top"), false);
    grid->addWidget(layout::caption(timer, QStringLiteral("Interval (minutes)")), 0, 0);
    grid->addWidget(m_intervalSpin, 1, 0);
    grid->addWidget(m_intervalLabel, 1, 1);
    grid->addWidget(m_countdownCaption, 0, 2);
    grid->addWidget(m_countdownLabel, 1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_startButton);
    buttons->addWidget(m_stopButton);
    buttons->addStretch();
    grid->addLayout(buttons, 2, 0, 1, 3);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(2, 1);
    page->addWidget(timer);

    QGroupBox* preferences = layout::group(this, QStringLiteral("Preferences "));
    auto* prefs = new QGridLayout(preferences);
    m_autoStartCheck =
        layout::checkBox(preferences, QStringLiteral("autoStartCheck"), QStringLiteral("Start &automatically"));
    m_minimizeToTrayCheck =
        layout::checkBox(preferences, QStringLiteral("minimizeToTrayCheck"), QStringLiteral("&Minimize to SysTray"));
    m_startMinimizedCheck =
        layout::checkBox(preferences, QStringLiteral("startMinimizedCheck"), QStringLiteral("Start mi&nimized"));
    m_publicOnlyCheck = layout::checkBox(preferences, QStringLiteral("publicOnlyCheck"),
                                         QStringLiteral("&Publish only public addresses"));
    m_loginStartCheck = layout::checkBox(preferences, QStringLiteral("loginStartCheck"),
                                         QStringLiteral("Start Kestrune when I &log in"));
    m_feedbackButton =
        layout::button(preferences, QStringLiteral("feedbackButton"), QStringLiteral("&Feedback..."), false);
    m_historyButton = layout::button(preferences, QStringLiteral("historyButton"), QStringLiteral("&History..."));
    m_debugCheck = layout::checkBox(preferences, QStringLiteral("debugCheck"), QStringLiteral("Debug"));
    m_debugCheck->setVisible(false);
    prefs->addWidget(m_autoStartCheck, 0, 0);
    prefs->addWidget(m_minimizeToTrayCheck, 1, 0);
    prefs->addWidget(m_startMinimizedCheck, 2, 0);
    prefs->addWidget(m_publicOnlyCheck, 3, 0);
    prefs->addWidget(m_loginStartCheck, 4, 0);
    m_diagnosisLabel = new QLabel(preferences);
    m_diagnosisLabel->setObjectName(QStringLiteral("diagnosisLabel"));
    m_diagnosisLabel->setWordWrap(true);
    prefs->addWidget(m_diagnosisLabel, 5, 0, 1, 2);
    prefs->addWidget(m_feedbackButton, 0, 1, Qt::AlignRight);
    prefs->addWidget(m_historyButton, 1, 1, Qt::AlignRight);
    prefs->setColumnStretch(0, 1);
    page->addWidget(preferences);

    m_aboutPanel = layout::panel(this, QStringLiteral("aboutPanel"));
    auto* about = new QVBoxLayout(m_aboutPanel);
    m_productLabel = layout::caption(m_aboutPanel, QStringLiteral("Kestrune v1.1"), QStringLiteral("productLabel"));
    QFont bold = m_productLabel->font();
    bold.setBold(true);
    m_productLabel->setFont(bold);
    m_noticeLabel =
        layout::caption(m_aboutPanel, QString::fromLatin1(kReleaseNotice), QStringLiteral("noticeLabel"));
    m_webAddressLabel =
        layout::caption(m_aboutPanel, QString::fromLatin1(kWebAddress), QStringLiteral("webAddressLabel"));
    QPalette link = m_webAddressLabel->palette();
    link.setColor(QPalette::WindowText, link.color(QPalette::Link));
    m_webAddressLabel->setPalette(link);
    for (QLabel* label : {m_productLabel, m_noticeLabel, m_webAddressLabel})
        about->addWidget(label, 0, Qt::AlignHCenter);
    page->addWidget(m_aboutPanel);
    page->addStretch();

    connect(m_startButton, &QPushButton::clicked, this, &SystemTab::startRequested);
    connect(m_stopButton, &QPushButton::clicked, this, &SystemTab::stopRequested);
    connect(m_intervalSpin, &SpinBox::changed, this, &SystemTab::intervalChanged);
    connect(m_intervalSpin, &SpinBox::exited, this, &SystemTab::intervalBoxLeft);
    connect(m_minimizeToTrayCheck, &QCheckBox::toggled, this, &SystemTab::minimizeToTrayToggled);
    connect(m_loginStartCheck, &QCheckBox::clicked, this, &SystemTab::loginStartClicked);
    connect(m_debugCheck, &QCheckBox::toggled, this, &SystemTab::debugToggled);
    connect(m_feedbackButton, &QPushButton::clicked, this, &SystemTab::feedbackRequested);
    connect(m_historyButton, &QPushButton::clicked, this, &SystemTab::historyRequested);
    EventTap::install(m_webAddressLabel, [this](QObject*, QEvent* event) {
        // The label's own cursor rather than the application's, so no pointer shape outlives a missed leave.
        if (event->type() == QEvent::Enter)
            m_webAddressLabel->setCursor(Qt::PointingHandCursor);
        if (event->type() == QEvent::Leave)
            m_webAddressLabel->unsetCursor();
        if (event->type() != QEvent::MouseButtonRelease)
            return false;
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton && m_webAddressLabel->rect().contains(mouse->position().toPoint()))
            emit webAddressClicked();
        return false;
    });
}

void SystemTab::loadSetting(Setting id, const Settings& settings)
{
    switch (id) {
    case Setting::Interval: m_intervalSpin->setValue(settings.interval); break;
    case Setting::AutoStart: m_autoStartCheck->setChecked(settings.autoStart); break;
    case Setting::Minimize: m_minimizeToTrayCheck->setChecked(settings.minimize); break;
    case Setting::StartMinimized: m_startMinimizedCheck->setChecked(settings.startMinimized); break;
    case Setting::PublicOnly: m_publicOnlyCheck->setChecked(settings.publicOnly); break;
    case Setting::Diagnosis: showDiagnosis(toQString(settings.diagnosis)); break;
    default: break;
    }
}

void SystemTab::storeSettings(Settings& settings, const Settings&) const
{
    settings.interval = m_intervalSpin->value();
    settings.autoStart = m_autoStartCheck->isChecked();
    settings.minimize = m_minimizeToTrayCheck->isChecked();
    settings.startMinimized = m_startMinimizedCheck->isChecked();
    settings.publicOnly = m_publicOnlyCheck->isChecked();
}

void SystemTab::showDiagnosis(const QString& text)
{
    m_diagnosisLabel->setText(text.isEmpty() ? QString() : QStringLiteral("Provider check: ") + text);
}

void SystemTab::showAutoStartCaption(int interval)
{
    m_autoStartCheck->setText(interval != 0 ? QStringLiteral("Start &automatically")
                                            : QStringLiteral("Check &once at startup"));
}

} // namespace kestrune::app
