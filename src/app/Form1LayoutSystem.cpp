#include "Form1.h"
#include "LayoutHelpers.h"
#include "SpinEdit.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
const char* const kReleaseNotice = "Free software for personal use. No warranty.";
const char* const kWebAddress = "https://kestrune.example.org/";
}

void TForm1::BuildSystemTab()
{
    TsSystem = new QWidget;
    TsSystem->setObjectName(QStringLiteral("TsSystem"));
    auto* page = new QVBoxLayout(TsSystem);

    QGroupBox* timer = Layout::Group(TsSystem, QStringLiteral("Timer"));
    auto* grid = new QGridLayout(timer);
    SpinEdit1 = new TSpinEdit(timer);
    SpinEdit1->setObjectName(QStringLiteral("SpinEdit1"));
    SpinEdit1->SetMinValue(0);
    SpinEdit1->SetMaxValue(2880);
    SpinEdit1->SetValue(10);
    Label38 = Layout::Caption(timer, QStringLiteral("Time left to next check"), QStringLiteral("Label38"));
    Panel30 = Layout::DisplayPanel(timer, QStringLiteral("Panel30"));
    Panel41 = Layout::DisplayPanel(timer, QStringLiteral("Panel41"));
    btnStart = Layout::Button(timer, QStringLiteral("btnStart"), QStringLiteral("Start"));
    btnStopFTP = Layout::Button(timer, QStringLiteral("btnStopFTP"), QStringLiteral("Stop"), false);
    grid->addWidget(Layout::Caption(timer, QStringLiteral("Interval (minutes)")), 0, 0);
    grid->addWidget(SpinEdit1, 1, 0);
    grid->addWidget(Panel41, 1, 1);
    grid->addWidget(Label38, 0, 2);
    grid->addWidget(Panel30, 1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(btnStart);
    buttons->addWidget(btnStopFTP);
    buttons->addStretch();
    grid->addLayout(buttons, 2, 0, 1, 3);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(2, 1);
    page->addWidget(timer);

    QGroupBox* preferences = Layout::Group(TsSystem, QStringLiteral("Preferences "));
    auto* prefs = new QGridLayout(preferences);
    cbAutoStartRefresh = Layout::CheckBox(preferences, QStringLiteral("cbAutoStartRefresh"),
                                          QStringLiteral("Start automatically"));
    cbMinimize = Layout::CheckBox(preferences, QStringLiteral("cbMinimize"), QStringLiteral("Minimize to SysTray"));
    cbStartMinimized = Layout::CheckBox(preferences, QStringLiteral("cbStartMinimized"),
                                        QStringLiteral("Start minimized"));
    btnFeedBack = Layout::Button(preferences, QStringLiteral("btnFeedBack"), QStringLiteral("Feedback..."), false);
    cbDebug = Layout::CheckBox(preferences, QStringLiteral("cbDebug"), QStringLiteral("Debug"));
    cbDebug->setVisible(false);
    prefs->addWidget(cbAutoStartRefresh, 0, 0);
    prefs->addWidget(cbMinimize, 1, 0);
    prefs->addWidget(cbStartMinimized, 2, 0);
    prefs->addWidget(btnFeedBack, 0, 1, Qt::AlignRight);
    prefs->setColumnStretch(0, 1);
    page->addWidget(preferences);

    Panel2 = Layout::Panel(TsSystem, QStringLiteral("Panel2"));
    auto* about = new QVBoxLayout(Panel2);
    Label3 = Layout::Caption(Panel2, QStringLiteral("Kestrune v1.1"), QStringLiteral("Label3"));
    QFont bold = Label3->font();
    bold.setBold(true);
    Label3->setFont(bold);
    Label4 = Layout::Caption(Panel2, QString::fromLatin1(kReleaseNotice), QStringLiteral("Label4"));
    Label5 = Layout::Caption(Panel2, QString::fromLatin1(kWebAddress), QStringLiteral("Label5"));
    QPalette link = Label5->palette();
    link.setColor(QPalette::WindowText, link.color(QPalette::Link));
    Label5->setPalette(link);
    for (QLabel* label : {Label3, Label4, Label5})
        about->addWidget(label, 0, Qt::AlignHCenter);
    page->addWidget(Panel2);
    page->addStretch();
}
