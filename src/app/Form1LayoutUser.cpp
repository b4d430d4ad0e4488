#include "Form1.h"
#include "LayoutHelpers.h"
#include "RouterPresets.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

void TForm1::BuildUserTab()
{
    TsUser = new QWidget;
    TsUser->setObjectName(QStringLiteral("TsUser"));
    auto* page = new QVBoxLayout(TsUser);
    Panel54 = Layout::Panel(TsUser, QStringLiteral("Panel54"));
    page->addWidget(Panel54);
    auto* panel = new QVBoxLayout(Panel54);

    rbUserDefined = new TSourceRadioButton(QStringLiteral("User defined lookup"), Panel54);
    rbUserDefined->setObjectName(QStringLiteral("rbUserDefined"));
    rbUserDefined->setChecked(true);
    panel->addWidget(rbUserDefined);

    auto* lists = new QGridLayout;
    lists->addWidget(Layout::Caption(Panel54, QStringLiteral("User-defined:")), 0, 0);
    lists->addWidget(Layout::Caption(Panel54, QStringLiteral("Pre-defined (defaults):")), 0, 1);
    ListBox5 = new QListWidget(Panel54);
    ListBox5->setObjectName(QStringLiteral("ListBox5"));
    ListBox6 = new QListWidget(Panel54);
    ListBox6->setObjectName(QStringLiteral("ListBox6"));
    for (const TRouterPreset& preset : RouterPresets())
        ListBox6->addItem(QString::fromUtf8(preset.Name.data(), static_cast<qsizetype>(preset.Name.size())));
    const int rows = ListBox6->fontMetrics().height() * 4 + 8;
    ListBox5->setMinimumHeight(rows);
    ListBox6->setMinimumHeight(rows);
    lists->addWidget(ListBox5, 1, 0);
    lists->addWidget(ListBox6, 1, 1);
    panel->addLayout(lists, 1);

    Panel56 = Layout::DisplayPanel(Panel54, QStringLiteral("Panel56"));
    panel->addWidget(Panel56);

    auto* entryButtons = new QHBoxLayout;
    btnNew = Layout::Button(Panel54, QStringLiteral("btnNew"), QStringLiteral("New"));
    btnAdd = Layout::Button(Panel54, QStringLiteral("btnAdd"), QStringLiteral("Add to user-defined"));
    btnRemove = Layout::Button(Panel54, QStringLiteral("btnRemove"), QStringLiteral("Remove "));
    btnWebEdit = Layout::Button(Panel54, QStringLiteral("btnWebEdit"), QStringLiteral("Apply"), false);
    for (QPushButton* button : {btnNew, btnAdd, btnRemove, btnWebEdit})
        entryButtons->addWidget(button);
    panel->addLayout(entryButtons);

    panel->addWidget(Layout::Caption(Panel54, QStringLiteral("URL to webpage or frame containing IP address:")));
    auto* urlRow = new QHBoxLayout;
    urlRow->addWidget(Layout::Caption(Panel54, QStringLiteral("http://")));
    edURL = Layout::Edit(Panel54, QStringLiteral("edURL"));
    urlRow->addWidget(edURL);
    panel->addLayout(urlRow);

    cbWebAuth = Layout::CheckBox(Panel54, QStringLiteral("cbWebAuth"), QStringLiteral("Webpage requires authentication"));
    panel->addWidget(cbWebAuth);
    auto* credentials = new QHBoxLayout;
    credentials->addWidget(Layout::Caption(Panel54, QStringLiteral("Username:")));
    edWebUsername = Layout::Edit(Panel54, QStringLiteral("edWebUsername"));
    credentials->addWidget(edWebUsername);
    credentials->addWidget(Layout::Caption(Panel54, QStringLiteral("Password:")));
    edWebPassword = MaskedEdit(Panel54, QStringLiteral("edWebPassword"));
    credentials->addWidget(edWebPassword);
    panel->addLayout(credentials);

    auto* actions = new QHBoxLayout;
    actions->addStretch();
    btnGetIP = Layout::Button(Panel54, QStringLiteral("btnGetIP"), QStringLiteral("Get IP"));
    btnHelp = Layout::Button(Panel54, QStringLiteral("btnHelp"), QStringLiteral("Help"));
    actions->addWidget(btnGetIP);
    actions->addWidget(btnHelp);
    panel->addLayout(actions);
}
