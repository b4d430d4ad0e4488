#include "Form1.h"
#include "LayoutHelpers.h"
#include "SpinEdit.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

void TForm1::BuildLocalTab()
{
    TabSheet1 = new QWidget;
    TabSheet1->setObjectName(QStringLiteral("TabSheet1"));
    auto* page = new QVBoxLayout(TabSheet1);

    QGroupBox* ipFile = Layout::Group(TabSheet1, QStringLiteral("IP address file "));
    auto* ipGrid = new QGridLayout(ipFile);
    cbSaveIP = Layout::CheckBox(ipFile, QStringLiteral("cbSaveIP"), QStringLiteral("Capture IP address"));
    edSaveIP = Layout::Edit(ipFile, QStringLiteral("edSaveIP"));
    btnSaveIP = Layout::Button(ipFile, QStringLiteral("btnSaveIP"), QStringLiteral("Save As.."));
    btnLocalTest = Layout::Button(ipFile, QStringLiteral("btnLocalTest"), QStringLiteral("Test"));
    ipGrid->addWidget(cbSaveIP, 0, 0, 1, 2);
    ipGrid->addWidget(Layout::Caption(ipFile, QStringLiteral("Filename:")), 1, 0);
    ipGrid->addWidget(edSaveIP, 1, 1);
    ipGrid->addWidget(btnSaveIP, 1, 2);
    ipGrid->addWidget(btnLocalTest, 2, 2);
    ipGrid->setColumnStretch(1, 1);
    page->addWidget(ipFile);

    QGroupBox* log = Layout::Group(TabSheet1, QStringLiteral("Log file "));
    auto* logGrid = new QGridLayout(log);
    cbLog = Layout::CheckBox(log, QStringLiteral("cbLog"), QStringLiteral("Enable Log file"));
    edLog = Layout::Edit(log, QStringLiteral("edLog"));
    btnSaveLog = Layout::Button(log, QStringLiteral("btnSaveLog"), QStringLiteral("Save As.."));
    SpinEdit2 = new TSpinEdit(log);
    SpinEdit2->setObjectName(QStringLiteral("SpinEdit2"));
    SpinEdit2->SetValue(100);
    logGrid->addWidget(cbLog, 0, 0, 1, 2);
    logGrid->addWidget(Layout::Caption(log, QStringLiteral("Filename:")), 1, 0);
    logGrid->addWidget(edLog, 1, 1);
    logGrid->addWidget(btnSaveLog, 1, 2);
    auto* lines = new QHBoxLayout;
    lines->addWidget(Layout::Caption(log, QStringLiteral("Max log size:")));
    lines->addWidget(SpinEdit2);
    lines->addWidget(Layout::Caption(log, QStringLiteral("lines.")));
    lines->addStretch();
    logGrid->addLayout(lines, 2, 0, 1, 3);
    logGrid->setColumnStretch(1, 1);
    page->addWidget(log);
    page->addStretch();
}
