#include "MainWindow.h"

#include "FindDialog.h"
#include "Inspector.h"
#include "Lookup.h"
#include "LookupRecord.h"
#include "LookupTexts.h"
#include "PageInspectorTab.h"
#include "PageView.h"
#include "SelectionCode.h"
#include "SystemTab.h"
#include "UserLookupsTab.h"
#include "Utf8Text.h"

#include <QAction>
#include <QCheckBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>

using namespace kestrune::lookup;

namespace kestrune::app {

void MainWindow::applyMarkState()
{
    PageInspectorTab& inspector = *m_pageInspectorTab;
    const bool selected = pageView().hasSelection();
    if (m_addressMark != 0) {
        inspector.keywordButton()->setEnabled(selected);
        inspector.markKeywordAction()->setEnabled(selected);
    } else {
        // Without a marked address a keyword has no distance to count.
        inspector.keywordButton()->setEnabled(false);
        inspector.markKeywordAction()->setEnabled(false);
        inspector.markAddressButton()->setEnabled(selected);
        inspector.markAddressAction()->setEnabled(selected);
    }
}

void MainWindow::updateFeedbackButton()
{
    // The form sends exactly these three, so it is offered once they are all there.
    m_systemTab->feedbackButton()->setEnabled(!m_userLookupsTab->urlEdit()->text().isEmpty() &&
                                              !m_pageInspectorTab->skipEdit()->text().isEmpty() &&
                                              !m_pageInspectorTab->keywordEdit()->text().isEmpty());
}

void MainWindow::onInspectorTabShown()
{
    PageInspectorTab& inspector = *m_pageInspectorTab;
    const bool pageShown = !pageView().isEmpty();
    inspector.autoButton()->setEnabled(!inspector.addressEdit()->text().isEmpty());
    inspector.findButton()->setEnabled(pageShown);
    inspector.findAction()->setEnabled(pageShown);
    inspector.markAddressButton()->setEnabled(pageView().hasSelection());
    inspector.testButton()->setEnabled(!inspector.keywordEdit()->text().isEmpty() &&
                                       !inspector.skipEdit()->text().isEmpty() && pageShown);
    updateFeedbackButton();
    inspector.getPageButton()->setEnabled(!m_userLookupsTab->urlEdit()->text().isEmpty() &&
                                          m_userLookupsTab->userDefinedRadio()->isChecked());
    inspector.keywordButton()->setEnabled(pageShown);
    m_pageFetcher.setLogin(toBytes(m_userLookupsTab->pageUsernameEdit()->text()),
                           toBytes(m_userLookupsTab->pagePasswordEdit()->text()));
}

void MainWindow::onPageChanged()
{
    PageInspectorTab& inspector = *m_pageInspectorTab;
    const bool pageShown = !pageView().isEmpty();
    const bool skipGiven = !inspector.skipEdit()->text().isEmpty();
    inspector.findButton()->setEnabled(pageShown);
    inspector.findAction()->setEnabled(pageShown);
    applyMarkState();
    inspector.testButton()->setEnabled(!inspector.keywordEdit()->text().isEmpty() && skipGiven && pageShown);
    updateFeedbackButton();
    m_userLookupsTab->addButton()->setEnabled(skipGiven);
    m_userLookupsTab->getAddressButton()->setEnabled(!m_userLookupsTab->urlEdit()->text().isEmpty() && skipGiven &&
                                                     !inspector.keywordEdit()->text().isEmpty());
    if (!m_loadingRow && editsEnableApply(m_selectionCode))
        m_userLookupsTab->applyButton()->setEnabled(true);
}

void MainWindow::onPageSelectionChanged() { applyMarkState(); }

void MainWindow::onPageMenuAboutToShow()
{
    PageInspectorTab& inspector = *m_pageInspectorTab;
    const bool selected = pageView().hasSelection();
    const bool pageShown = !pageView().isEmpty();
    inspector.pasteAction()->setEnabled(m_dialogs.clipboardHasText());
    inspector.cutAction()->setEnabled(selected);
    inspector.copyAction()->setEnabled(selected);
    inspector.selectAllAction()->setEnabled(pageShown);
    inspector.findAction()->setEnabled(pageShown);
    inspector.markKeywordAction()->setEnabled(false);
    applyMarkState();
}

void MainWindow::fetchIntoPageView()
{
    if (m_userLookupsTab->pageAuthCheck()->isChecked())
        m_pageFetcher.setLogin(toBytes(m_userLookupsTab->pageUsernameEdit()->text()),
                               toBytes(m_userLookupsTab->pagePasswordEdit()->text()));
    std::string body;
    try {
        m_pageFetcher.fetch(toBytes(m_userLookupsTab->urlEdit()->text()),
                            m_userLookupsTab->anyCertificateCheck()->isChecked(), body);
    } catch (const std::exception&) {
        m_dialogs.showMessage(toQString(lookuptexts::kUnableToConnect));
    }
    pageView().setPage(std::move(body));
}

bool MainWindow::findInPageView(const QString& text)
{
    const std::optional<ByteRange> hit = kestrune::lookup::findNext(pageView().page(), toBytes(text), pageView().selection());
    if (!hit)
        return false;
    m_pageInspectorTab->pageEdit()->setFocus();
    pageView().select(*hit);
    m_pageInspectorTab->markAddressButton()->setEnabled(true);
    return true;
}

void MainWindow::onGetPageClicked()
{
    if (m_monitor->checkRunning() || m_pageFetcher.busy()) {
        m_dialogs.beep();
        return;
    }
    pageView().clear();
    m_pageInspectorTab->keywordEdit()->clear();
    m_pageInspectorTab->skipEdit()->clear();
    fetchIntoPageView();
    const QString address = m_pageInspectorTab->addressEdit()->text();
    if (!address.isEmpty()) {
        findInPageView(address);
        m_addressMark = pageView().selection().start;
        // The buttons follow the new mark, not the one the search ran under.
        applyMarkState();
    }
}

void MainWindow::onMarkAddressClicked()
{
    m_addressMark = pageView().selection().start;
    m_pageInspectorTab->testButton()->setEnabled(false);
    m_pageInspectorTab->pageEdit()->setFocus();
    pageView().collapseToStart();
}

void MainWindow::onMarkKeywordClicked()
{
    // Without a selection there is no keyword, and without a marked address no distance to count.
    if (!pageView().hasSelection() || m_addressMark == 0) {
        m_dialogs.beep();
        return;
    }
    const MarkKeywordResult result = markKeyword(pageView().page(), pageView().selection(), m_addressMark);
    switch (result.kind) {
    case MarkKeywordResult::NotUnique:
        pageView().select(result.earlier);
        m_dialogs.showMessage(toQString(lookuptexts::kKeywordNotUnique));
        break;
    case MarkKeywordResult::NotText:
        m_dialogs.showMessage(toQString(lookuptexts::kKeywordNotText));
        break;
    case MarkKeywordResult::Marked:
        m_pageInspectorTab->keywordEdit()->setText(toQString(result.keyword));
        m_pageInspectorTab->skipEdit()->setText(QString::number(result.charToSkip));
        break;
    case MarkKeywordResult::Empty:
        m_dialogs.beep();
        break;
    }
}

void MainWindow::onAutoClicked()
{
    if (!m_userLookupsTab->userDefinedRadio()->isChecked()) {
        m_dialogs.showMessage(toQString(lookuptexts::kNeedUserDefined));
        return;
    }
    const bool debugView = m_systemTab->debugCheck()->isChecked();
    QString address;
    if (debugView) {
        m_pageInspectorTab->testButton()->setEnabled(false);
    } else {
        if (m_monitor->checkRunning() || m_pageFetcher.busy()) {
            m_dialogs.beep();
            return;
        }
        address = m_pageInspectorTab->addressEdit()->text();
        fetchIntoPageView();
    }
    const AutoResult result = autoKeyword(pageView().page(), toBytes(address), pageView().selection());
    m_addressMark = result.ipMark;
    applyMarkState();
    if (!result.found) {
        // A found address stays selected; the user can still pick a keyword by hand.
        const std::string wanted = toBytes(address);
        if (!wanted.empty() && pageView().page().bytes().compare(m_addressMark, wanted.size(), wanted) == 0)
            pageView().select(ByteRange{m_addressMark, wanted.size()});
        m_dialogs.showMessage(toQString(result.message));
        return;
    }
    pageView().select(result.window);
    m_pageInspectorTab->keywordEdit()->setText(toQString(result.keyword));
    m_pageInspectorTab->skipEdit()->setText(QString::number(result.charToSkip));
    if (debugView)
        m_dialogs.showMessage(QString());
    else
        onTestLookupClicked();
}

void MainWindow::onFindClicked()
{
    FindDialog* dialog = m_pageInspectorTab->findDialog();
    dialog->setFindText(m_pageInspectorTab->addressEdit()->text());
    dialog->adjustSize();
    // Beside the page view, where it cannot cover the match it finds: right, left, below or above.
    const QWidget* view = m_pageInspectorTab->pageEdit();
    const QRect viewRect(view->mapToGlobal(QPoint(0, 0)), view->size());
    const QSize size = dialog->frameGeometry().size().expandedTo(dialog->sizeHint());
    const QRect screen = (view->screen() ? view->screen() : QGuiApplication::primaryScreen())->availableGeometry();
    constexpr int kGap = 8;
    const QPoint candidates[] = {
        {viewRect.right() + kGap, viewRect.top()},
        {viewRect.left() - kGap - size.width(), viewRect.top()},
        {viewRect.left(), viewRect.bottom() + kGap},
        {viewRect.left(), viewRect.top() - kGap - size.height()},
    };
    QPoint at = screen.bottomRight() - QPoint(size.width(), size.height());
    for (const QPoint& candidate : candidates)
        if (screen.contains(QRect(candidate, size))) {
            at = candidate;
            break;
        }
    dialog->move(at);
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
}

void MainWindow::onFindNext() { findInPageView(m_pageInspectorTab->findDialog()->findText()); }

void MainWindow::onCutClicked()
{
    if (!pageView().hasSelection())
        return;
    m_dialogs.writeClipboard(pageView().selectedText());
    m_pageInspectorTab->pageEdit()->textCursor().removeSelectedText();
}

void MainWindow::onCopyClicked()
{
    if (pageView().hasSelection())
        m_dialogs.writeClipboard(pageView().selectedText());
}

void MainWindow::onPasteClicked()
{
    const QString text = m_dialogs.readClipboard();
    if (!text.isEmpty())
        m_pageInspectorTab->pageEdit()->insertPlainText(text);
}

void MainWindow::onSelectAllClicked() { m_pageInspectorTab->pageEdit()->selectAll(); }

} // namespace kestrune::app
