#include "Form1.h"
#include "ExternalServices.h"
#include "LayoutHelpers.h"
#include "ListRows.h"
#include "RouterPresets.h"

#include <QComboBox>
#include <QGridLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

void TForm1::BuildExternalTab()
{
    TsExternal = new QWidget;
    TsExternal->setObjectName(QStringLiteral("TsExternal"));
    auto* page = new QVBoxLayout(TsExternal);

    Panel55 = Layout::Panel(TsExternal, QStringLiteral("Panel55"));
    rbExternal = new TSourceRadioButton(QStringLiteral("Use External Service"), Panel55);
    rbExternal->setObjectName(QStringLiteral("rbExternal"));
    cboxDNS = new QComboBox(Panel55);
    cboxDNS->setObjectName(QStringLiteral("cboxDNS"));
    cboxDNS->setEditable(true);
    cboxDNS->setInsertPolicy(QComboBox::NoInsert);
    cboxDNS->setMinimumContentsLength(36);
    for (const TExternalService& service : kExternalServices)
        cboxDNS->addItem(QString::fromUtf8(service.URL.data(), static_cast<qsizetype>(service.URL.size())));
    cboxDNS->setCurrentIndex(0);
    Button12 = Layout::Button(Panel55, QStringLiteral("Button12"), QStringLiteral("Test"));

    auto* grid = new QGridLayout(Panel55);
    grid->addWidget(rbExternal, 0, 0, 1, 2);
    grid->addWidget(cboxDNS, 1, 0);
    grid->addWidget(Button12, 1, 1);
    grid->setColumnStretch(0, 1);
    page->addWidget(Panel55);

    CheckListBox5 = new QListWidget(TsExternal);
    CheckListBox5->setObjectName(QStringLiteral("CheckListBox5"));
    CheckListBox6 = new QListWidget(TsExternal);
    CheckListBox6->setObjectName(QStringLiteral("CheckListBox6"));
    // The credentials flags of the presets are set by start-up.
    for (const TRouterPreset& preset : RouterPresets())
        ListRows::AddRecordRow(CheckListBox6, std::string(preset.Record), false);
    page->addWidget(CheckListBox5);
    page->addWidget(CheckListBox6);
    // The debug view shows stored passwords: hidden from the start, not only once start-up gets that far.
    CheckListBox5->hide();
    CheckListBox6->hide();
    page->addStretch();
}
