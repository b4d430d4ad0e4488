#include "DnsUpdateDialog.h"

#include "DnsUpdateClient.h"
#include "LayoutHelpers.h"
#include "Utf8Text.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QScopedValueRollback>
#include <QVBoxLayout>

using namespace kestrune::actions;

namespace kestrune::app {

namespace {

using actions::DnsProvider;

constexpr DnsProvider kProviders[] = {DnsProvider::Dyndns2, DnsProvider::NoIp,    DnsProvider::Dynu,
                                      DnsProvider::Desec,   DnsProvider::DuckDns, DnsProvider::Custom};

QString keyText(DnsProvider provider) { return toQString(std::string(actions::dnsProviderKey(provider))); }

} // namespace

DnsUpdateDialog::DnsUpdateDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("dnsUpdateDialog"));
    setWindowTitle(QStringLiteral("DNS update"));
    auto* column = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    m_enabledCheck = layout::checkBox(this, QStringLiteral("dnsEnabledCheck"), QStringLiteral("&Enabled"));
    m_providerCombo = new QComboBox(this);
    m_providerCombo->setObjectName(QStringLiteral("dnsProviderCombo"));
    for (DnsProvider provider : kProviders)
        m_providerCombo->addItem(toQString(std::string(actions::dnsProviderCaption(provider))), keyText(provider));
    m_serverEdit = layout::edit(this, QStringLiteral("dnsServerEdit"));
    m_hostsEdit = layout::edit(this, QStringLiteral("dnsHostsEdit"));
    m_userEdit = layout::edit(this, QStringLiteral("dnsUserEdit"));
    m_passwordEdit = layout::edit(this, QStringLiteral("dnsPasswordEdit"));
    m_passwordEdit->setEchoMode(QLineEdit::Password);
    m_urlEdit = layout::edit(this, QStringLiteral("dnsUrlEdit"));
    m_urlEdit->setToolTip(QStringLiteral("{IP} and {HOST} are filled in."));
    form->addRow(m_enabledCheck);
    form->addRow(QStringLiteral("&Provider:"), m_providerCombo);
    form->addRow(QStringLiteral("&Server:"), m_serverEdit);
    form->addRow(QStringLiteral("&Host name(s):"), m_hostsEdit);
    form->addRow(QStringLiteral("&User name:"), m_userEdit);
    form->addRow(QStringLiteral("Password/&Token:"), m_passwordEdit);
    form->addRow(QStringLiteral("U&RL template:"), m_urlEdit);
    column->addLayout(form);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    column->addWidget(buttons);
    layout::maskWithPlus(this, {m_passwordEdit});

    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_providerCombo, &QComboBox::currentIndexChanged, this, &DnsUpdateDialog::providerChosen);
    providerChosen();
}

void DnsUpdateDialog::setEntry(const core::DnsUpdateEntry& entry)
{
    m_loaded = entry;
    const QScopedValueRollback loading(m_loading, true);
    m_enabledCheck->setChecked(entry.enabled);
    const QString key = toQString(entry.provider);
    int row = m_providerCombo->findData(key);
    if (row < 0) {
        // A provider this version does not know stays as the file names it.
        m_providerCombo->addItem(key, key);
        row = m_providerCombo->count() - 1;
    }
    m_providerCombo->setCurrentIndex(row);
    providerChosen();
    m_serverEdit->setText(toQString(entry.server));
    m_hostsEdit->setText(toQString(entry.hosts));
    m_userEdit->setText(toQString(entry.user));
    m_passwordEdit->setText(toQString(entry.password));
    m_urlEdit->setText(toQString(entry.url));
}

core::DnsUpdateEntry DnsUpdateDialog::entry() const
{
    core::DnsUpdateEntry entry = m_loaded;
    entry.enabled = m_enabledCheck->isChecked();
    entry.provider = providerKey();
    entry.server = toBytes(m_serverEdit->text().trimmed());
    entry.hosts = toBytes(m_hostsEdit->text().trimmed());
    entry.user = toBytes(m_userEdit->text());
    entry.password = toBytes(m_passwordEdit->text());
    entry.url = toBytes(m_urlEdit->text().trimmed());
    return entry;
}

QString DnsUpdateDialog::problem() const
{
    const std::optional<DnsProvider> provider = actions::dnsProviderFromKey(providerKey());
    if (!provider)
        return QStringLiteral("Choose a provider.");
    if (*provider == DnsProvider::Custom)
        return m_urlEdit->text().trimmed().isEmpty() ? QStringLiteral("A URL template needs to be specified.")
                                                     : QString();
    if (m_hostsEdit->text().trimmed().isEmpty())
        return QStringLiteral("A host name needs to be specified.");
    // The presets fall back on their own server; the generic protocol has none.
    if (*provider == DnsProvider::Dyndns2 && m_serverEdit->text().trimmed().isEmpty())
        return QStringLiteral("A server needs to be specified.");
    return QString();
}

std::string DnsUpdateDialog::providerKey() const { return toBytes(m_providerCombo->currentData().toString()); }

void DnsUpdateDialog::providerChosen()
{
    const std::optional<DnsProvider> provider = actions::dnsProviderFromKey(providerKey());
    m_urlEdit->setEnabled(provider == DnsProvider::Custom);
    if (m_loading || !provider)
        return;
    const std::string_view server = actions::dnsPresetServer(*provider);
    if (!server.empty())
        m_serverEdit->setText(toQString(std::string(server)));
}

} // namespace kestrune::app
