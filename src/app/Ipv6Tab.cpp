#include "Ipv6Tab.h"

#include "Ipv6Lookup.h"
#include "LayoutHelpers.h"
#include "Utf8Text.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

using namespace kestrune::core;

namespace kestrune::app {

namespace {
constexpr std::string_view kServiceSource = "service";
constexpr std::string_view kInterfaceSource = "interface";

// The first service is the default, kept as an empty value.
QString firstService() { return shownText(lookup::kIpv6Services[0].url); }
} // namespace

Ipv6Tab::Ipv6Tab(QWidget* parent) : LazyTab(parent)
{
    setObjectName(QStringLiteral("ipv6Tab"));
}

void Ipv6Tab::build()
{
    auto* page = new QVBoxLayout(this);
    m_enabledCheck = layout::checkBox(this, QStringLiteral("ipv6EnabledCheck"),
                                      QStringLiteral("&Look up and publish the IPv6 address"));
    page->addWidget(m_enabledCheck);

    QGroupBox* source = layout::group(this, QStringLiteral("Where the IPv6 address comes from "));
    auto* grid = new QGridLayout(source);
    m_interfaceRadio = new QRadioButton(QStringLiteral("This machine's &interfaces"), source);
    m_interfaceRadio->setObjectName(QStringLiteral("ipv6InterfaceRadio"));
    m_serviceRadio = new QRadioButton(QStringLiteral("An IPv6 &echo service"), source);
    m_serviceRadio->setObjectName(QStringLiteral("ipv6ServiceRadio"));
    m_interfaceEdit = layout::edit(source, QStringLiteral("ipv6InterfaceEdit"));
    m_interfaceEdit->setPlaceholderText(QStringLiteral("every interface"));
    m_serviceCombo = new QComboBox(source);
    m_serviceCombo->setObjectName(QStringLiteral("ipv6ServiceCombo"));
    m_serviceCombo->setEditable(true);
    m_serviceCombo->setInsertPolicy(QComboBox::NoInsert);
    for (const lookup::ExternalService& service : lookup::kIpv6Services)
        m_serviceCombo->addItem(shownText(service.url));
    m_fallbackCheck = layout::checkBox(source, QStringLiteral("ipv6FallbackCheck"),
                                       QStringLiteral("Ask the &other services when it fails"));
    grid->addWidget(m_interfaceRadio, 0, 0);
    grid->addWidget(layout::caption(source, QStringLiteral("Interface:")), 0, 1);
    grid->addWidget(m_interfaceEdit, 0, 2);
    grid->addWidget(m_serviceRadio, 1, 0);
    grid->addWidget(layout::caption(source, QStringLiteral("Service:")), 1, 1);
    grid->addWidget(m_serviceCombo, 1, 2);
    grid->addWidget(m_fallbackCheck, 2, 2);
    grid->setColumnStretch(2, 1);
    page->addWidget(source);

    QGroupBox* publish = layout::group(this, QStringLiteral("What is published "));
    auto* publishGrid = new QGridLayout(publish);
    m_suffixEdit = layout::edit(publish, QStringLiteral("ipv6SuffixEdit"));
    m_suffixEdit->setPlaceholderText(QStringLiteral("the address found"));
    m_suffixEdit->setToolTip(QStringLiteral(
        "An interface identifier such as ::1: the found address's /64 prefix is published with it."));
    m_fileEdit = layout::edit(publish, QStringLiteral("ipv6FileEdit"));
    m_fileEdit->setPlaceholderText(QStringLiteral("no IPv6 IP file"));
    publishGrid->addWidget(layout::caption(publish, QStringLiteral("Suffix:")), 0, 0);
    publishGrid->addWidget(m_suffixEdit, 0, 1);
    publishGrid->addWidget(layout::caption(publish, QStringLiteral("IP file:")), 1, 0);
    publishGrid->addWidget(m_fileEdit, 1, 1);
    publishGrid->setColumnStretch(1, 1);
    page->addWidget(publish);
    page->addStretch();

    m_interfaceRadio->setChecked(true);
    connect(m_interfaceRadio, &QRadioButton::toggled, this, [this] { showSourceFields(); });
    showSourceFields();
}

void Ipv6Tab::showSourceFields()
{
    const bool service = m_serviceRadio->isChecked();
    m_interfaceEdit->setEnabled(!service);
    m_serviceCombo->setEnabled(service);
    m_fallbackCheck->setEnabled(service);
}

void Ipv6Tab::loadSetting(Setting id, const Settings& settings)
{
    ensureBuilt();
    switch (id) {
    case Setting::Ipv6Enabled: m_enabledCheck->setChecked(settings.ipv6Enabled); break;
    case Setting::Ipv6Source:
        (settings.ipv6Source == kServiceSource ? m_serviceRadio : m_interfaceRadio)->setChecked(true);
        break;
    case Setting::Ipv6Interface: m_interfaceEdit->setText(shownText(settings.ipv6Interface)); break;
    case Setting::Ipv6Service:
        m_serviceCombo->setEditText(settings.ipv6Service.empty() ? firstService() : shownText(settings.ipv6Service));
        break;
    case Setting::Ipv6Fallback: m_fallbackCheck->setChecked(settings.ipv6Fallback); break;
    case Setting::Ipv6Suffix: m_suffixEdit->setText(shownText(settings.ipv6Suffix)); break;
    case Setting::Ipv6Filename: m_fileEdit->setText(shownText(settings.ipv6Filename)); break;
    default: break;
    }
}

void Ipv6Tab::storeSettings(Settings& settings, const Settings& loaded) const
{
    ensureBuilt();
    settings.ipv6Enabled = m_enabledCheck->isChecked();
    settings.ipv6Source = std::string(m_serviceRadio->isChecked() ? kServiceSource : kInterfaceSource);
    settings.ipv6Interface = keptBytes(m_interfaceEdit->text(), loaded.ipv6Interface);
    const QString service = m_serviceCombo->currentText();
    settings.ipv6Service = service == firstService() ? std::string() : keptBytes(service, loaded.ipv6Service);
    settings.ipv6Fallback = m_fallbackCheck->isChecked();
    settings.ipv6Suffix = keptBytes(m_suffixEdit->text(), loaded.ipv6Suffix);
    settings.ipv6Filename = keptBytes(m_fileEdit->text(), loaded.ipv6Filename);
}

void Ipv6Tab::settleAsShown(Settings& settings)
{
    settings.ipv6Source = std::string(settings.ipv6Source == kServiceSource ? kServiceSource : kInterfaceSource);
    if (!settings.ipv6Service.empty() && shownText(settings.ipv6Service) == firstService())
        settings.ipv6Service.clear();
}

} // namespace kestrune::app
