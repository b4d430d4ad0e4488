#include "PageInspectorTab.h"

#include "EventTap.h"
#include "FindDialog.h"
#include "LayoutHelpers.h"
#include "PageView.h"

#include <QAction>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPalette>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace kestrune::app {

namespace {

QAction* menuItem(QMenu* menu, const QString& name, const QString& caption, const QKeySequence& shortcut = {})
{
    QAction* action = menu->addAction(caption);
    action->setObjectName(name);
    if (!shortcut.isEmpty())
        action->setShortcut(shortcut);
    return action;
}

} // namespace

PageInspectorTab::PageInspectorTab(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("pageInspectorTab"));
    auto* page = new QHBoxLayout(this);

    m_pageEdit = new QPlainTextEdit(this);
    m_pageEdit->setObjectName(QStringLiteral("pageEdit"));
    m_pageEdit->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    m_pageEdit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // The marked address must stay visible while the user works with the buttons beside the view.
    QPalette palette = m_pageEdit->palette();
    palette.setColor(QPalette::Inactive, QPalette::Highlight, palette.color(QPalette::Active, QPalette::Highlight));
    palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     palette.color(QPalette::Active, QPalette::HighlightedText));
    m_pageEdit->setPalette(palette);
    m_pageEdit->setContextMenuPolicy(Qt::CustomContextMenu);
    page->addWidget(m_pageEdit, 1);

    auto* side = new QVBoxLayout;
    side->addWidget(layout::caption(this, QStringLiteral("IP Address:")));
    m_addressEdit = layout::edit(this, QStringLiteral("inspectorAddressEdit"));
    side->addWidget(m_addressEdit);
    m_debugSwitchLabel = layout::caption(this, QString(), QStringLiteral("debugSwitchLabel"));
    m_debugSwitchLabel->setMinimumHeight(12);
    side->addWidget(m_debugSwitchLabel);
    auto* testRow = new QHBoxLayout;
    m_testButton = layout::button(this, QStringLiteral("testButton"), QStringLiteral("&Test"));
    m_autoButton = layout::button(this, QStringLiteral("autoButton"), QStringLiteral("&Auto"));
    testRow->addWidget(m_testButton);
    testRow->addWidget(m_autoButton);
    side->addLayout(testRow);

    m_manualSearchPanel = layout::panel(this, QStringLiteral("manualSearchPanel"));
    auto* manual = new QVBoxLayout(m_manualSearchPanel);
    manual->addWidget(layout::caption(m_manualSearchPanel, QStringLiteral("Manual Search")), 0, Qt::AlignHCenter);
    m_getPageButton = layout::button(m_manualSearchPanel, QStringLiteral("getPageButton"), QStringLiteral("Get &Page"));
    m_keywordButton = layout::button(m_manualSearchPanel, QStringLiteral("keywordButton"), QStringLiteral("&Keyword"));
    m_findButton = layout::button(m_manualSearchPanel, QStringLiteral("findButton"), QStringLiteral("&Find..."));
    m_markAddressButton =
        layout::button(m_manualSearchPanel, QStringLiteral("markAddressButton"), QStringLiteral("&Mark IP"));
    for (QPushButton* button : {m_getPageButton, m_keywordButton, m_findButton, m_markAddressButton})
        manual->addWidget(button);
    side->addWidget(m_manualSearchPanel);

    m_lookupFieldsPanel = layout::panel(this, QStringLiteral("lookupFieldsPanel"));
    auto* fields = new QFormLayout(m_lookupFieldsPanel);
    m_skipEdit = layout::edit(m_lookupFieldsPanel, QStringLiteral("skipEdit"));
    m_keywordEdit = layout::edit(m_lookupFieldsPanel, QStringLiteral("keywordEdit"), QStringLiteral("<html>"));
    fields->addRow(QStringLiteral("Skip:"), m_skipEdit);
    fields->addRow(QStringLiteral("Keyword:"), m_keywordEdit);
    side->addWidget(m_lookupFieldsPanel);
    // Part of the debug view, hidden from the start.
    m_lookupFieldsPanel->hide();
    side->addStretch();
    page->addLayout(side);

    m_pageMenu = new QMenu(this);
    m_pageMenu->setObjectName(QStringLiteral("pageMenu"));
    m_cutAction = menuItem(m_pageMenu, QStringLiteral("cutAction"), QStringLiteral("Cut"),
                           QKeySequence(QStringLiteral("Ctrl+X")));
    m_copyAction = menuItem(m_pageMenu, QStringLiteral("copyAction"), QStringLiteral("Copy"),
                            QKeySequence(QStringLiteral("Ctrl+C")));
    m_pasteAction = menuItem(m_pageMenu, QStringLiteral("pasteAction"), QStringLiteral("Paste"),
                             QKeySequence(QStringLiteral("Ctrl+V")));
    m_selectAllAction = menuItem(m_pageMenu, QStringLiteral("selectAllAction"), QStringLiteral("Select All"),
                                 QKeySequence(QStringLiteral("Ctrl+A")));
    m_pageMenu->addSeparator();
    m_markAddressAction =
        menuItem(m_pageMenu, QStringLiteral("markAddressAction"), QStringLiteral("Mark IP Address"));
    m_markKeywordAction =
        menuItem(m_pageMenu, QStringLiteral("markKeywordAction"), QStringLiteral("Mark Keyword(s)"));
    m_pageMenu->addSeparator();
    m_findAction = menuItem(m_pageMenu, QStringLiteral("findAction"), QStringLiteral("Find..."),
                            QKeySequence(QStringLiteral("Ctrl+F")));
    // The view's own keys already cut, copy, paste and select all; Ctrl+F is the menu's.
    m_findAction->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    m_pageEdit->addAction(m_findAction);
    connect(m_pageEdit, &QPlainTextEdit::customContextMenuRequested, this,
            [this](const QPoint& pos) { m_pageMenu->popup(m_pageEdit->viewport()->mapToGlobal(pos)); });

    m_pageView = new PageView(m_pageEdit, this);
    m_findDialog = new FindDialog(this);

    connect(m_testButton, &QPushButton::clicked, this, &PageInspectorTab::testRequested);
    connect(m_autoButton, &QPushButton::clicked, this, &PageInspectorTab::autoRequested);
    connect(m_getPageButton, &QPushButton::clicked, this, &PageInspectorTab::getPageRequested);
    connect(m_markAddressButton, &QPushButton::clicked, this, &PageInspectorTab::markAddressRequested);
    connect(m_keywordButton, &QPushButton::clicked, this, &PageInspectorTab::markKeywordRequested);
    connect(m_findButton, &QPushButton::clicked, this, &PageInspectorTab::findRequested);
    connect(m_markAddressButton, &QPushButton::pressed, this, &PageInspectorTab::pageSelectionChanged);
    connect(m_markAddressAction, &QAction::triggered, this, &PageInspectorTab::markAddressRequested);
    connect(m_markKeywordAction, &QAction::triggered, this, &PageInspectorTab::markKeywordRequested);
    connect(m_findAction, &QAction::triggered, this, &PageInspectorTab::findRequested);
    connect(m_cutAction, &QAction::triggered, this, &PageInspectorTab::cutRequested);
    connect(m_copyAction, &QAction::triggered, this, &PageInspectorTab::copyRequested);
    connect(m_pasteAction, &QAction::triggered, this, &PageInspectorTab::pasteRequested);
    connect(m_selectAllAction, &QAction::triggered, this, &PageInspectorTab::selectAllRequested);
    connect(m_pageMenu, &QMenu::aboutToShow, this, &PageInspectorTab::pageMenuAboutToShow);
    connect(m_findDialog, &FindDialog::findNext, this, &PageInspectorTab::findNextRequested);
    // The mark buttons follow the selection however it was made, with the mouse or the keys.
    connect(m_pageEdit, &QPlainTextEdit::selectionChanged, this, &PageInspectorTab::pageSelectionChanged);
    connect(m_pageEdit, &QPlainTextEdit::textChanged, this, &PageInspectorTab::pageEdited);
    EventTap::install(m_debugSwitchLabel, [this](QObject*, QEvent* event) {
        if (event->type() == QEvent::MouseButtonPress)
            emit debugSwitchPressed(static_cast<QMouseEvent*>(event)->modifiers());
        return false;
    });
}

} // namespace kestrune::app
