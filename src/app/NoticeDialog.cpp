#include "NoticeDialog.h"

#include "LayoutHelpers.h"
#include "NoticeChannels.h"
#include "Utf8Text.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QScopedValueRollback>
#include <QVBoxLayout>

namespace kestrune::app {

namespace {

constexpr const char* kValuesHelp =
    "{IP}, {IP6}, {OLD_IP}, {EVENT}, {HOST}, {TIME} and {DETAILS} are filled in, escaped for where they land.";

QString text(std::string_view bytes) { return toQString(std::string(bytes)); }

} // namespace

NoticeDialog::NoticeDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("noticeDialog"));
    setWindowTitle(QStringLiteral("Notice"));
    auto* column = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    m_enabledCheck = layout::checkBox(this, QStringLiteral("noticeEnabledCheck"), QStringLiteral("&Enabled"));
    m_kindCombo = new QComboBox(this);
    m_kindCombo->setObjectName(QStringLiteral("noticeKindCombo"));
    for (const actions::NoticeChannel* channel : actions::noticeChannels())
        m_kindCombo->addItem(text(channel->caption()), text(channel->key()));
    m_urlEdit = layout::edit(this, QStringLiteral("noticeUrlEdit"));
    m_urlEdit->setToolTip(QString::fromLatin1(kValuesHelp) + QStringLiteral(" {TOKEN} is the token."));
    m_tokenEdit = layout::edit(this, QStringLiteral("noticeTokenEdit"));
    m_tokenEdit->setEchoMode(QLineEdit::Password);
    m_tokenEdit->setToolTip(QStringLiteral("A webhook sends \"Name: value\" as that header, any other token as "
                                           "\"Authorization: Bearer\", unless the URL holds {TOKEN}."));
    m_titleEdit = layout::edit(this, QStringLiteral("noticeTitleEdit"));
    m_titleEdit->setPlaceholderText(QStringLiteral("{EVENT} on {HOST}"));
    m_bodyEdit = layout::edit(this, QStringLiteral("noticeBodyEdit"));
    m_bodyEdit->setToolTip(QString::fromLatin1(kValuesHelp));
    form->addRow(m_enabledCheck);
    form->addRow(QStringLiteral("&Kind:"), m_kindCombo);
    form->addRow(QStringLiteral("&Address:"), m_urlEdit);
    form->addRow(QStringLiteral("T&oken:"), m_tokenEdit);
    form->addRow(QStringLiteral("T&itle:"), m_titleEdit);
    form->addRow(QStringLiteral("&Body:"), m_bodyEdit);
    column->addLayout(form);
    QGroupBox* events = layout::group(this, QStringLiteral("Send for "));
    auto* eventColumn = new QVBoxLayout(events);
    for (const actions::NoticeEventChoice& choice : actions::noticeEventChoices()) {
        QCheckBox* check = layout::checkBox(events, QStringLiteral("noticeEvent_") + text(choice.key), text(choice.caption));
        eventColumn->addWidget(check);
        m_eventChecks.push_back(check);
    }
    column->addWidget(events);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    column->addWidget(buttons);
    layout::maskWithPlus(this, {m_tokenEdit});

    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_kindCombo, &QComboBox::currentIndexChanged, this, &NoticeDialog::kindChosen);
    kindChosen();
}

void NoticeDialog::setEntry(const core::NoticeEntry& entry)
{
    const QScopedValueRollback loading(m_loading, true);
    m_enabledCheck->setChecked(entry.enabled);
    layout::selectKeeping(m_kindCombo, toQString(entry.kind));
    m_urlEdit->setText(toQString(entry.url));
    m_tokenEdit->setText(toQString(entry.token));
    m_titleEdit->setText(toQString(entry.title));
    m_bodyEdit->setText(toQString(entry.body));
    const auto choices = actions::noticeEventChoices();
    for (std::size_t i = 0; i < choices.size(); ++i)
        m_eventChecks[i]->setChecked(actions::eventChosen(entry.events, choices[i].event));
    kindChosen();
}

core::NoticeEntry NoticeDialog::entry() const
{
    core::NoticeEntry entry;
    entry.enabled = m_enabledCheck->isChecked();
    entry.kind = kindKey();
    entry.url = toBytes(m_urlEdit->text().trimmed());
    entry.token = toBytes(m_tokenEdit->text());
    entry.title = toBytes(m_titleEdit->text());
    entry.body = toBytes(m_bodyEdit->text());
    const auto choices = actions::noticeEventChoices();
    for (std::size_t i = 0; i < choices.size(); ++i)
        if (m_eventChecks[i]->isChecked())
            entry.events += (entry.events.empty() ? "" : ",") + std::string(choices[i].key);
    return entry;
}

QString NoticeDialog::problem() const
{
    const core::NoticeEntry fields = entry();
    const std::optional<std::string> problem =
        actions::noticeProblem(fields.kind, {fields.url, fields.token, fields.title, fields.body});
    return problem ? toQString(*problem) : QString();
}

std::string NoticeDialog::kindKey() const { return toBytes(m_kindCombo->currentData().toString()); }

void NoticeDialog::kindChosen()
{
    const actions::NoticeChannel* channel = actions::noticeChannel(kindKey());
    const actions::NoticeChannel* previous = actions::noticeChannel(m_previousKind);
    m_previousKind = kindKey();
    m_titleEdit->setEnabled(!channel || channel->usesTitle());
    if (m_loading || !channel)
        return;
    // What the user typed stays; what the previous kind filled in gives way to this kind's.
    const auto replaceable = [](const QLineEdit* edit, std::string_view filled) {
        return edit->text().isEmpty() || toBytes(edit->text()) == filled;
    };
    if (replaceable(m_urlEdit, previous ? previous->urlHint() : std::string_view()))
        m_urlEdit->setText(text(channel->urlHint()));
    if (replaceable(m_bodyEdit, previous ? previous->bodyPreset() : std::string_view()))
        m_bodyEdit->setText(text(channel->bodyPreset()));
}

} // namespace kestrune::app
