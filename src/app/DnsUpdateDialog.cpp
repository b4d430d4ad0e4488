#include "DnsUpdateDialog.h"

#include "DnsProvider.h"
#include "LayoutHelpers.h"
#include "Utf8Text.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QVBoxLayout>

namespace kestrune::app {

namespace {

QString text(std::string_view bytes) { return toQString(std::string(bytes)); }

// A number typed in a field: empty reads as fallback, anything else must be a whole number in range.
std::optional<int> number(const QLineEdit* edit, int fallback, int lowest, int highest)
{
    const QString typed = edit->text().trimmed();
    if (typed.isEmpty())
        return fallback;
    bool ok = false;
    const int value = typed.toInt(&ok);
    if (!ok || value < lowest || value > highest)
        return std::nullopt;
    return value;
}

} // namespace

DnsUpdateDialog::DnsUpdateDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("dnsUpdateDialog"));
    setWindowTitle(QStringLiteral("DNS update"));
    auto* column = new QVBoxLayout(this);
    m_form = new QFormLayout;
    m_enabledCheck = layout::checkBox(this, QStringLiteral("dnsEnabledCheck"), QStringLiteral("&Enabled"));
    m_providerCombo = new QComboBox(this);
    m_providerCombo->setObjectName(QStringLiteral("dnsProviderCombo"));
    for (const actions::DnsProviderInfo& info : actions::dnsProviders())
        m_providerCombo->addItem(text(info.caption), text(info.key));
    m_familyCombo = new QComboBox(this);
    m_familyCombo->setObjectName(QStringLiteral("dnsFamilyCombo"));
    m_familyCombo->addItem(QStringLiteral("IPv4"), 4);
    m_familyCombo->addItem(QStringLiteral("IPv6"), 6);
    m_familyCombo->addItem(QStringLiteral("both"), 46);
    m_serverEdit = layout::edit(this, QStringLiteral("dnsServerEdit"));
    m_zoneEdit = layout::edit(this, QStringLiteral("dnsZoneEdit"));
    m_hostsEdit = layout::edit(this, QStringLiteral("dnsHostsEdit"));
    m_hostsEdit->setToolTip(QStringLiteral("One or more names, separated by commas."));
    m_userEdit = layout::edit(this, QStringLiteral("dnsUserEdit"));
    m_passwordEdit = layout::edit(this, QStringLiteral("dnsPasswordEdit"));
    m_passwordEdit->setEchoMode(QLineEdit::Password);
    m_urlEdit = layout::edit(this, QStringLiteral("dnsUrlEdit"));
    m_urlEdit->setToolTip(QStringLiteral("{IP}, {IP6} and {HOST} are filled in."));
    m_algorithmEdit = layout::edit(this, QStringLiteral("dnsAlgorithmEdit"));
    m_algorithmEdit->setPlaceholderText(QStringLiteral("hmac-sha256"));
    m_ttlEdit = layout::edit(this, QStringLiteral("dnsTtlEdit"));
    m_ttlEdit->setPlaceholderText(QStringLiteral("300"));
    m_verifyEdit = layout::edit(this, QStringLiteral("dnsVerifyEdit"));
    m_verifyEdit->setPlaceholderText(QStringLiteral("the zone's name servers"));
    m_verifyEdit->setToolTip(QStringLiteral("The servers asked whether the name answers the new address; "
                                            "\"off\" asks none."));
    m_refreshEdit = layout::edit(this, QStringLiteral("dnsRefreshEdit"));
    m_refreshEdit->setToolTip(QStringLiteral("Days after which the address is sent again, even unchanged; 0 = never."));
    m_form->addRow(m_enabledCheck);
    m_form->addRow(QStringLiteral("&Provider:"), m_providerCombo);
    m_form->addRow(QStringLiteral("&Addresses:"), m_familyCombo);
    m_form->addRow(QStringLiteral("&Server:"), m_serverEdit);
    m_form->addRow(QStringLiteral("&Zone:"), m_zoneEdit);
    m_form->addRow(QStringLiteral("&Host name(s):"), m_hostsEdit);
    m_form->addRow(QStringLiteral("&User name:"), m_userEdit);
    m_form->addRow(QStringLiteral("Password/&Token:"), m_passwordEdit);
    m_form->addRow(QStringLiteral("U&RL template:"), m_urlEdit);
    m_form->addRow(QStringLiteral("Al&gorithm:"), m_algorithmEdit);
    m_form->addRow(QStringLiteral("&TTL (s):"), m_ttlEdit);
    m_form->addRow(QStringLiteral("&Verify with:"), m_verifyEdit);
    m_form->addRow(QStringLiteral("Re&fresh (days):"), m_refreshEdit);
    column->addLayout(m_form);
    m_problemLabel = new QLabel(this);
    m_problemLabel->setObjectName(QStringLiteral("dnsProblemLabel"));
    column->addWidget(m_problemLabel);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_okButton = buttons->button(QDialogButtonBox::Ok);
    column->addWidget(buttons);
    layout::maskWithPlus(this, {m_passwordEdit});

    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_providerCombo, &QComboBox::currentIndexChanged, this, &DnsUpdateDialog::providerChosen);
    for (QLineEdit* edit : {m_serverEdit, m_zoneEdit, m_hostsEdit, m_userEdit, m_passwordEdit, m_urlEdit,
                            m_algorithmEdit, m_ttlEdit, m_verifyEdit, m_refreshEdit})
        connect(edit, &QLineEdit::textChanged, this, &DnsUpdateDialog::checkFields);
    providerChosen();
}

bool DnsUpdateDialog::fieldShown(QWidget* field) const { return !field->isHidden(); }

void DnsUpdateDialog::setEntry(const core::DnsUpdateEntry& entry)
{
    m_loaded = entry;
    const QScopedValueRollback loading(m_loading, true);
    m_enabledCheck->setChecked(entry.enabled);
    layout::selectKeeping(m_providerCombo, toQString(entry.provider));
    m_familyCombo->setCurrentIndex(std::max(0, m_familyCombo->findData(entry.family)));
    m_serverEdit->setText(toQString(entry.server));
    m_zoneEdit->setText(toQString(entry.zone));
    m_hostsEdit->setText(toQString(entry.hosts));
    m_userEdit->setText(toQString(entry.user));
    m_passwordEdit->setText(toQString(entry.password));
    m_urlEdit->setText(toQString(entry.url));
    m_algorithmEdit->setText(toQString(entry.algorithm));
    m_ttlEdit->setText(entry.ttl > 0 ? QString::number(entry.ttl) : QString());
    m_verifyEdit->setText(toQString(entry.verify));
    m_refreshEdit->setText(entry.refreshDays >= 0 ? QString::number(entry.refreshDays) : QString());
    providerChosen();
}

core::DnsUpdateEntry DnsUpdateDialog::entry() const
{
    core::DnsUpdateEntry entry = m_loaded;
    entry.enabled = m_enabledCheck->isChecked();
    entry.provider = providerKey();
    entry.family = m_familyCombo->currentData().toInt();
    entry.server = toBytes(m_serverEdit->text().trimmed());
    entry.zone = toBytes(m_zoneEdit->text().trimmed());
    entry.hosts = toBytes(m_hostsEdit->text().trimmed());
    entry.user = toBytes(m_userEdit->text());
    entry.password = toBytes(m_passwordEdit->text());
    entry.url = toBytes(m_urlEdit->text().trimmed());
    entry.algorithm = toBytes(m_algorithmEdit->text().trimmed());
    entry.ttl = number(m_ttlEdit, 0, 0, 604800).value_or(0);
    entry.verify = toBytes(m_verifyEdit->text().trimmed());
    entry.refreshDays = number(m_refreshEdit, -1, 0, 3650).value_or(-1);
    return entry;
}

QString DnsUpdateDialog::problem() const
{
    const actions::DnsProviderInfo* info = actions::findDnsProvider(providerKey());
    if (!info)
        return QStringLiteral("Choose a provider.");
    const struct {
        unsigned field;
        const QLineEdit* edit;
        const char* text;
    } kRequired[] = {
        {actions::kFieldUrl, m_urlEdit, "A URL template needs to be specified."},
        {actions::kFieldHosts, m_hostsEdit, "A host name needs to be specified."},
        {actions::kFieldServer, m_serverEdit, "A server needs to be specified."},
        {actions::kFieldZone, m_zoneEdit, "A zone needs to be specified."},
        {actions::kFieldUser, m_userEdit, "A user name needs to be specified."},
        {actions::kFieldPassword, m_passwordEdit, "A key, token or password needs to be specified."},
    };
    for (const auto& row : kRequired)
        if ((info->required & row.field) && row.edit->text().trimmed().isEmpty())
            return QString::fromLatin1(row.text);
    if ((info->fields & actions::kFieldTtl) && !number(m_ttlEdit, 0, 0, 604800))
        return QStringLiteral("The TTL is a number of seconds.");
    if (!number(m_refreshEdit, -1, 0, 3650))
        return QStringLiteral("The refresh period is a number of days (0 = never).");
    return QString();
}

std::string DnsUpdateDialog::providerKey() const { return toBytes(m_providerCombo->currentData().toString()); }

void DnsUpdateDialog::providerChosen()
{
    const actions::DnsProviderInfo* info = actions::findDnsProvider(providerKey());
    const unsigned fields = info ? info->fields : ~0u;
    const struct {
        unsigned field;
        QWidget* edit;
    } kRows[] = {{actions::kFieldServer, m_serverEdit},     {actions::kFieldZone, m_zoneEdit},
                 {actions::kFieldHosts, m_hostsEdit},       {actions::kFieldUser, m_userEdit},
                 {actions::kFieldPassword, m_passwordEdit}, {actions::kFieldUrl, m_urlEdit},
                 {actions::kFieldAlgorithm, m_algorithmEdit}, {actions::kFieldTtl, m_ttlEdit}};
    for (const auto& row : kRows)
        m_form->setRowVisible(row.edit, (fields & row.field) != 0);
    m_form->setRowVisible(m_verifyEdit, !info || info->verifiable);
    if (info) {
        if (auto* label = qobject_cast<QLabel*>(m_form->labelForField(m_userEdit)))
            label->setText(text(info->userCaption));
        if (auto* label = qobject_cast<QLabel*>(m_form->labelForField(m_passwordEdit)))
            label->setText(text(info->passwordCaption));
        m_passwordEdit->setToolTip(text(info->passwordHint));
        m_refreshEdit->setPlaceholderText(QString::number(info->refreshDays));
    }
    if (!m_loading && info && !info->server.empty())
        m_serverEdit->setText(text(info->server));
    checkFields();
}

void DnsUpdateDialog::checkFields()
{
    const QString found = problem();
    m_problemLabel->setText(found);
    m_okButton->setEnabled(found.isEmpty());
}

} // namespace kestrune::app
