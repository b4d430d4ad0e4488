#include "UserLookupsTab.h"

#include "LayoutHelpers.h"
#include "LookupRecord.h"
#include "RouterPresets.h"
#include "Settings.h"
#include "Utf8Text.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

using namespace kestrune::core;
using namespace kestrune::lookup;

namespace kestrune::app {

UserLookupsTab::UserLookupsTab(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("userLookupsTab"));
    auto* page = new QVBoxLayout(this);
    m_lookupPanel = layout::panel(this, QStringLiteral("userLookupPanel"));
    page->addWidget(m_lookupPanel);
    auto* panel = new QVBoxLayout(m_lookupPanel);

    m_userDefinedRadio = new SourceRadioButton(QStringLiteral("&User defined lookup"), m_lookupPanel);
    m_userDefinedRadio->setObjectName(QStringLiteral("userDefinedRadio"));
    m_userDefinedRadio->setChecked(true);
    panel->addWidget(m_userDefinedRadio);

    auto* lists = new QGridLayout;
    lists->addWidget(layout::caption(m_lookupPanel, QStringLiteral("User-defined:")), 0, 0);
    lists->addWidget(layout::caption(m_lookupPanel, QStringLiteral("Pre-defined (defaults):")), 0, 1);
    m_userLookupList = new QListWidget(m_lookupPanel);
    m_userLookupList->setObjectName(QStringLiteral("userLookupList"));
    m_presetList = new QListWidget(m_lookupPanel);
    m_presetList->setObjectName(QStringLiteral("presetList"));
    for (const RouterPreset& preset : routerPresets())
        m_presetList->addItem(toQString(preset.name));
    const int rows = m_presetList->fontMetrics().height() * 4 + 8;
    m_userLookupList->setMinimumHeight(rows);
    m_presetList->setMinimumHeight(rows);
    lists->addWidget(m_userLookupList, 1, 0);
    lists->addWidget(m_presetList, 1, 1);
    panel->addLayout(lists, 1);

    m_entryNameLabel = layout::displayPanel(m_lookupPanel, QStringLiteral("entryNameLabel"));
    panel->addWidget(m_entryNameLabel);

    auto* entryButtons = new QHBoxLayout;
    m_newButton = layout::button(m_lookupPanel, QStringLiteral("newButton"), QStringLiteral("&New"));
    m_addButton = layout::button(m_lookupPanel, QStringLiteral("addButton"), QStringLiteral("A&dd to user-defined"));
    m_removeButton = layout::button(m_lookupPanel, QStringLiteral("removeButton"), QStringLiteral("&Remove "));
    m_applyButton = layout::button(m_lookupPanel, QStringLiteral("applyButton"), QStringLiteral("A&pply"), false);
    for (QPushButton* button : {m_newButton, m_addButton, m_removeButton, m_applyButton})
        entryButtons->addWidget(button);
    panel->addLayout(entryButtons);

    panel->addWidget(
        layout::caption(m_lookupPanel, QStringLiteral("URL to webpage or frame containing IP address:")));
    auto* urlRow = new QHBoxLayout;
    urlRow->addWidget(layout::caption(m_lookupPanel, QStringLiteral("http://")));
    m_urlEdit = layout::edit(m_lookupPanel, QStringLiteral("urlEdit"));
    urlRow->addWidget(m_urlEdit);
    panel->addLayout(urlRow);
    m_anyCertificateCheck = layout::checkBox(m_lookupPanel, QStringLiteral("anyCertificateCheck"),
                                             QStringLiteral("Accept any &certificate (router with a self-signed certificate)"));
    m_anyCertificateCheck->setEnabled(false);
    panel->addWidget(m_anyCertificateCheck);

    m_pageAuthCheck = layout::checkBox(m_lookupPanel, QStringLiteral("pageAuthCheck"),
                                       QStringLiteral("&Webpage requires authentication"));
    panel->addWidget(m_pageAuthCheck);
    auto* credentials = new QHBoxLayout;
    credentials->addWidget(layout::caption(m_lookupPanel, QStringLiteral("Username:")));
    m_pageUsernameEdit = layout::edit(m_lookupPanel, QStringLiteral("pageUsernameEdit"));
    credentials->addWidget(m_pageUsernameEdit);
    credentials->addWidget(layout::caption(m_lookupPanel, QStringLiteral("Password:")));
    m_pagePasswordEdit = layout::edit(m_lookupPanel, QStringLiteral("pagePasswordEdit"));
    credentials->addWidget(m_pagePasswordEdit);
    panel->addLayout(credentials);

    auto* actions = new QHBoxLayout;
    actions->addStretch();
    m_getAddressButton = layout::button(m_lookupPanel, QStringLiteral("getAddressButton"), QStringLiteral("&Get IP"));
    m_helpButton = layout::button(m_lookupPanel, QStringLiteral("helpButton"), QStringLiteral("&Help"));
    actions->addWidget(m_getAddressButton);
    actions->addWidget(m_helpButton);
    panel->addLayout(actions);
    layout::maskWithPlus(this, {m_pagePasswordEdit});

    connect(m_userDefinedRadio, &QRadioButton::toggled, this, [this](bool checked) {
        if (checked)
            emit userDefinedChosen();
    });
    connect(m_userLookupList, &QListWidget::itemClicked, this, &UserLookupsTab::userLookupChosen);
    connect(m_presetList, &QListWidget::itemClicked, this, &UserLookupsTab::presetChosen);
    // The arrow keys move the selection as a click does, and Apply and Remove act on the selected row, so
    // that row is chosen too. Clicks are left to the click signals; focusing the list only marks a row as
    // current without selecting it, and must not replace the fields.
    auto chooseOnKeys = [this](QListWidget* list, void (UserLookupsTab::*chosen)()) {
        connect(list, &QListWidget::currentRowChanged, this, [this, list, chosen](int row) {
            const QListWidgetItem* item = list->item(row);
            if (item && item->isSelected() && list->hasFocus() && QGuiApplication::mouseButtons() == Qt::NoButton)
                emit(this->*chosen)();
        });
    };
    chooseOnKeys(m_userLookupList, &UserLookupsTab::userLookupChosen);
    chooseOnKeys(m_presetList, &UserLookupsTab::presetChosen);
    connect(m_newButton, &QPushButton::clicked, this, &UserLookupsTab::newRequested);
    connect(m_addButton, &QPushButton::clicked, this, &UserLookupsTab::addRequested);
    connect(m_applyButton, &QPushButton::clicked, this, &UserLookupsTab::applyRequested);
    connect(m_removeButton, &QPushButton::clicked, this, &UserLookupsTab::removeRequested);
    connect(m_getAddressButton, &QPushButton::clicked, this, &UserLookupsTab::getAddressRequested);
    // Enter in the page address runs Get IP, unless a wait holds the button off.
    connect(m_urlEdit, &QLineEdit::returnPressed, this, [this] {
        if (m_getAddressButton->isEnabled())
            emit getAddressRequested();
    });
    connect(m_helpButton, &QPushButton::clicked, this, &UserLookupsTab::helpRequested);
    for (QLineEdit* field : {m_urlEdit, m_pageUsernameEdit, m_pagePasswordEdit})
        connect(field, &QLineEdit::textChanged, this, &UserLookupsTab::fieldsEdited);
    connect(m_pageAuthCheck, &QCheckBox::toggled, this, &UserLookupsTab::fieldsEdited);
    connect(m_urlEdit, &QLineEdit::textChanged, this,
            [this](const QString& url) { m_anyCertificateCheck->setEnabled(isHttpsUrl(toBytes(url))); });
    connect(m_anyCertificateCheck, &QCheckBox::toggled, this, &UserLookupsTab::fieldsEdited);
}

void UserLookupsTab::loadSetting(Setting id, const Settings& settings)
{
    if (id == Setting::UserDefined)
        m_userDefinedRadio->setChecked(settings.userDefined);
}

void UserLookupsTab::storeSettings(Settings& settings, const Settings&) const
{
    settings.userDefined = m_userDefinedRadio->isChecked();
}

} // namespace kestrune::app
