#include "Form1.h"
#include "LayoutHelpers.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

void TForm1::BuildMailTab()
{
    TsMail = new QWidget;
    TsMail->setObjectName(QStringLiteral("TsMail"));
    auto* page = new QVBoxLayout(TsMail);

    QGroupBox* mail = Layout::Group(TsMail, QStringLiteral("Email "));
    auto* grid = new QGridLayout(mail);
    cbWebMail = Layout::CheckBox(mail, QStringLiteral("cbWebMail"), QStringLiteral("Send e-mail to:"));
    edWebTo = Layout::Edit(mail, QStringLiteral("edWebTo"));
    edWebSMTP = Layout::Edit(mail, QStringLiteral("edWebSMTP"));
    edPort = Layout::Edit(mail, QStringLiteral("edPort"), QStringLiteral("25"));
    edPort->setMaximumWidth(edPort->fontMetrics().horizontalAdvance(QStringLiteral("0000000")) + 12);
    cbSSL = Layout::CheckBox(mail, QStringLiteral("cbSSL"), QStringLiteral("SSL Connection"));
    Button2 = Layout::Button(mail, QStringLiteral("Button2"), QStringLiteral("Set Default"));
    edWebFrom = Layout::Edit(mail, QStringLiteral("edWebFrom"));
    edWebMail = Layout::Edit(mail, QStringLiteral("edWebMail"), QStringLiteral("Feedback from Kestrune"));

    grid->addWidget(cbWebMail, 0, 0);
    grid->addWidget(edWebTo, 0, 1, 1, 3);
    grid->addWidget(Layout::Caption(mail, QStringLiteral("SMTP Server:")), 1, 0);
    grid->addWidget(edWebSMTP, 1, 1, 1, 3);
    grid->addWidget(Layout::Caption(mail, QStringLiteral("Port:")), 2, 0);
    grid->addWidget(edPort, 2, 1);
    grid->addWidget(cbSSL, 2, 2);
    grid->addWidget(Button2, 2, 3);
    grid->addWidget(Layout::Caption(mail, QStringLiteral("From address:")), 3, 0);
    grid->addWidget(edWebFrom, 3, 1, 1, 3);
    grid->addWidget(Layout::Caption(mail, QStringLiteral("Subject:")), 4, 0);
    grid->addWidget(edWebMail, 4, 1, 1, 3);

    Panel59 = Layout::Panel(mail, QStringLiteral("Panel59"));
    auto* login = new QGridLayout(Panel59);
    cboxWebAuth = Layout::CheckBox(Panel59, QStringLiteral("cboxWebAuth"), QStringLiteral("Login required"));
    edWebUser = Layout::Edit(Panel59, QStringLiteral("edWebUser"));
    edWebPass = MaskedEdit(Panel59, QStringLiteral("edWebPass"));
    login->addWidget(cboxWebAuth, 0, 0, 1, 2);
    login->addWidget(Layout::Caption(Panel59, QStringLiteral("Username:")), 1, 0);
    login->addWidget(edWebUser, 1, 1);
    login->addWidget(Layout::Caption(Panel59, QStringLiteral("Password:")), 2, 0);
    login->addWidget(edWebPass, 2, 1);
    grid->addWidget(Panel59, 5, 0, 1, 3);
    btnMailTest = Layout::Button(mail, QStringLiteral("btnMailTest"), QStringLiteral("Test"));
    grid->addWidget(btnMailTest, 5, 3, Qt::AlignBottom);
    grid->setColumnStretch(2, 1);
    page->addWidget(mail);
    page->addStretch();
}
