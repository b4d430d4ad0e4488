#pragma once

#include <QWidget>

class QAction;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;

namespace kestrune::app {

class FindDialog;
class PageView;

// "  Test URL ": the fetched page, where the user marks the address and a keyword before it; the keyword and
// skip count the lookup reads with; the expected address.
class PageInspectorTab : public QWidget {
    Q_OBJECT
public:
    explicit PageInspectorTab(QWidget* parent = nullptr);

    QPlainTextEdit* pageEdit() const { return m_pageEdit; }
    // Carries selections between the page edit and the page's bytes.
    PageView& pageView() const { return *m_pageView; }
    QLineEdit* addressEdit() const { return m_addressEdit; }
    QPushButton* testButton() const { return m_testButton; }
    QPushButton* autoButton() const { return m_autoButton; }
    QPushButton* getPageButton() const { return m_getPageButton; }
    QPushButton* keywordButton() const { return m_keywordButton; }
    QPushButton* findButton() const { return m_findButton; }
    QPushButton* markAddressButton() const { return m_markAddressButton; }
    // The keyword and skip fields, shown in the debug view only.
    QFrame* lookupFieldsPanel() const { return m_lookupFieldsPanel; }
    QLineEdit* skipEdit() const { return m_skipEdit; }
    QLineEdit* keywordEdit() const { return m_keywordEdit; }
    // A press with Shift or Ctrl held here turns the debug view on.
    QLabel* debugSwitchLabel() const { return m_debugSwitchLabel; }
    QMenu* pageMenu() const { return m_pageMenu; }
    QAction* cutAction() const { return m_cutAction; }
    QAction* copyAction() const { return m_copyAction; }
    QAction* pasteAction() const { return m_pasteAction; }
    QAction* selectAllAction() const { return m_selectAllAction; }
    QAction* markAddressAction() const { return m_markAddressAction; }
    QAction* markKeywordAction() const { return m_markKeywordAction; }
    QAction* findAction() const { return m_findAction; }
    FindDialog* findDialog() const { return m_findDialog; }

signals:
    void testRequested();
    void autoRequested();
    void getPageRequested();
    void markAddressRequested();
    void markKeywordRequested();
    void findRequested();
    void findNextRequested();
    void cutRequested();
    void copyRequested();
    void pasteRequested();
    void selectAllRequested();
    void pageMenuAboutToShow();
    // The selection changed, or the mark button is being pressed.
    void pageSelectionChanged();
    void pageEdited();
    void debugSwitchPressed(Qt::KeyboardModifiers modifiers);

private:
    QPlainTextEdit* m_pageEdit = nullptr;
    PageView* m_pageView = nullptr;
    QLineEdit* m_addressEdit = nullptr;
    QLabel* m_debugSwitchLabel = nullptr;
    QPushButton* m_testButton = nullptr;
    QPushButton* m_autoButton = nullptr;
    QFrame* m_manualSearchPanel = nullptr;
    QPushButton* m_getPageButton = nullptr;
    QPushButton* m_keywordButton = nullptr;
    QPushButton* m_findButton = nullptr;
    QPushButton* m_markAddressButton = nullptr;
    QFrame* m_lookupFieldsPanel = nullptr;
    QLineEdit* m_skipEdit = nullptr;
    QLineEdit* m_keywordEdit = nullptr;
    QMenu* m_pageMenu = nullptr;
    QAction* m_cutAction = nullptr;
    QAction* m_copyAction = nullptr;
    QAction* m_pasteAction = nullptr;
    QAction* m_selectAllAction = nullptr;
    QAction* m_markAddressAction = nullptr;
    QAction* m_markKeywordAction = nullptr;
    QAction* m_findAction = nullptr;
    FindDialog* m_findDialog = nullptr;
};

} // namespace kestrune::app
