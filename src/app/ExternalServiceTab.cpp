#include "ExternalServiceTab.h"

#include "AddressSources.h"
#include "ExternalServices.h"
#include "LayoutHelpers.h"
#include "ListRows.h"
#include "RouterPresets.h"
#include "Settings.h"
#include "Utf8Text.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace kestrune::core;
using namespace kestrune::lookup;

namespace kestrune::app {

ExternalServiceTab::ExternalServiceTab(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("externalServiceTab"));
    auto* page = new QVBoxLayout(this);

    m_sourcePanel = layout::panel(this, QStringLiteral("externalSourcePanel"));
    m_externalRadio = new SourceRadioButton(QStringLiteral("Use &External Service"), m_sourcePanel);
    m_externalRadio->setObjectName(QStringLiteral("externalRadio"));
    m_serviceCombo = new QComboBox(m_sourcePanel);
    m_serviceCombo->setObjectName(QStringLiteral("serviceCombo"));
    m_serviceCombo->setEditable(true);
    m_serviceCombo->setInsertPolicy(QComboBox::NoInsert);
    m_serviceCombo->setMinimumContentsLength(36);
    for (const ExternalService& service : kExternalServices)
        m_serviceCombo->addItem(toQString(service.url));
    m_serviceCombo->setCurrentIndex(0);
    m_lookupButton = layout::button(m_sourcePanel, QStringLiteral("lookupButton"), QStringLiteral("&Test"));
    m_fallbackCheck = layout::checkBox(m_sourcePanel, QStringLiteral("fallbackCheck"),
                                       QStringLiteral("If the service fails, ask the &others"));

    m_addressSourceCombo = new QComboBox(m_sourcePanel);
    m_addressSourceCombo->setObjectName(QStringLiteral("addressSourceCombo"));
    for (const SourceInfo& source : kSources)
        m_addressSourceCombo->addItem(sourceCaption(source.kind), toQString(source.key));
    m_addressSourceCombo->setCurrentIndex(m_addressSourceCombo->findData(QString()));
    auto* sourceLabel = new QLabel(QStringLiteral("Address &source:"), m_sourcePanel);
    sourceLabel->setObjectName(QStringLiteral("addressSourceLabel"));
    sourceLabel->setBuddy(m_addressSourceCombo);
    m_stunServersEdit = new QLineEdit(m_sourcePanel);
    m_stunServersEdit->setObjectName(QStringLiteral("stunServersEdit"));
    auto* stunLabel = new QLabel(QStringLiteral("STUN ser&vers:"), m_sourcePanel);
    stunLabel->setObjectName(QStringLiteral("stunServersLabel"));
    stunLabel->setBuddy(m_stunServersEdit);
    m_confirmCheck = layout::checkBox(m_sourcePanel, QStringLiteral("confirmCheck"),
                                      QStringLiteral("&Publish a new address only when a second source agrees"));
    m_routerCheck = layout::checkBox(m_sourcePanel, QStringLiteral("routerCheck"),
                                     QStringLiteral("Ask the &router once an hour whether the provider hides it"));

    auto* grid = new QGridLayout(m_sourcePanel);
    grid->addWidget(m_externalRadio, 0, 0, 1, 2);
    grid->addWidget(m_serviceCombo, 1, 0);
    grid->addWidget(m_lookupButton, 1, 1);
    grid->addWidget(m_fallbackCheck, 2, 0, 1, 2);
    grid->addWidget(sourceLabel, 3, 0, 1, 2);
    grid->addWidget(m_addressSourceCombo, 4, 0, 1, 2);
    grid->addWidget(stunLabel, 5, 0, 1, 2);
    grid->addWidget(m_stunServersEdit, 6, 0, 1, 2);
    grid->addWidget(m_confirmCheck, 7, 0, 1, 2);
    grid->addWidget(m_routerCheck, 8, 0, 1, 2);
    grid->setColumnStretch(0, 1);
    page->addWidget(m_sourcePanel);

    m_userRecordsList = new QListWidget(this);
    m_userRecordsList->setObjectName(QStringLiteral("userRecordsList"));
    m_presetRecordsList = new QListWidget(this);
    m_presetRecordsList->setObjectName(QStringLiteral("presetRecordsList"));
    // The credentials flags of the presets are set by start-up.
    for (const RouterPreset& preset : routerPresets())
        listRows::addRecordRow(m_presetRecordsList, std::string(preset.record), false);
    page->addWidget(m_userRecordsList);
    page->addWidget(m_presetRecordsList);
    m_debugLog = new QPlainTextEdit(this);
    m_debugLog->setObjectName(QStringLiteral("debugLog"));
    m_debugLog->setReadOnly(true);
    // Lines come in for as long as the program runs; the oldest go.
    m_debugLog->setMaximumBlockCount(500);
    page->addWidget(m_debugLog);
    // The debug view shows stored passwords: hidden from the start, not only once start-up gets that far.
    m_userRecordsList->hide();
    m_presetRecordsList->hide();
    m_debugLog->hide();
    page->addStretch();

    connect(m_lookupButton, &QPushButton::clicked, this, &ExternalServiceTab::lookupRequested);
    // A radio button's click handling runs whenever it becomes checked, by the user or by the program.
    connect(m_externalRadio, &QRadioButton::toggled, this, [this](bool checked) {
        if (checked)
            emit externalChosen();
    });
}

void ExternalServiceTab::loadSetting(Setting id, const Settings& settings)
{
    switch (id) {
    case Setting::ExtDns: m_serviceCombo->setEditText(shownText(settings.extDns)); break;
    case Setting::External: m_externalRadio->setChecked(settings.external); break;
    case Setting::Fallback: m_fallbackCheck->setChecked(settings.fallback); break;
    case Setting::Source: {
        const int index = m_addressSourceCombo->findData(toQString(sourceInfo(sourceFromKey(settings.source)).key));
        m_addressSourceCombo->setCurrentIndex(index);
        break;
    }
    case Setting::StunServers: m_stunServersEdit->setText(shownText(settings.stunServers)); break;
    case Setting::Confirm: m_confirmCheck->setChecked(settings.confirm); break;
    case Setting::RouterCheck: m_routerCheck->setChecked(settings.routerCheck); break;
    default: break;
    }
}

void ExternalServiceTab::storeSettings(Settings& settings, const Settings& loaded) const
{
    settings.extDns = keptBytes(m_serviceCombo->currentText(), loaded.extDns);
    settings.external = m_externalRadio->isChecked();
    settings.fallback = m_fallbackCheck->isChecked();
    settings.source = m_addressSourceCombo->currentData().toString().toStdString();
    // A value only case or an unknown word apart from the chosen source keeps its bytes.
    if (sourceFromKey(loaded.source) == sourceFromKey(settings.source))
        settings.source = loaded.source;
    settings.stunServers = keptBytes(m_stunServersEdit->text(), loaded.stunServers);
    settings.confirm = m_confirmCheck->isChecked();
    settings.routerCheck = m_routerCheck->isChecked();
}

QString ExternalServiceTab::sourceCaption(SourceKind kind)
{
    switch (kind) {
    case SourceKind::Upnp: return QStringLiteral("The router (UPnP)");
    case SourceKind::NatPmp: return QStringLiteral("The router (NAT-PMP)");
    case SourceKind::Stun: return QStringLiteral("STUN servers");
    case SourceKind::Dns: return QStringLiteral("DNS (whoami.cloudflare, myip.opendns.com)");
    case SourceKind::Web: break;
    }
    return QStringLiteral("The external service or the user-defined lookup");
}

void ExternalServiceTab::setDebugView(bool on)
{
    m_userRecordsList->setVisible(on);
    m_presetRecordsList->setVisible(on);
    m_debugLog->setVisible(on);
}

void ExternalServiceTab::addDebugLine(const QString& line) { m_debugLog->appendPlainText(line); }

} // namespace kestrune::app
