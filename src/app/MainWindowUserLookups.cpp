#include "MainWindow.h"

#include "ExternalServiceTab.h"
#include "ListRows.h"
#include "LookupRecord.h"
#include "LookupTexts.h"
#include "PageInspectorTab.h"
#include "PageView.h"
#include "SelectionCode.h"
#include "UserLookupsTab.h"
#include "Utf8Text.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScopedValueRollback>

using namespace kestrune::lookup;

namespace kestrune::app {

namespace {

void clearSelection(QListWidget* list)
{
    list->setCurrentRow(-1);
    list->clearSelection();
}

// The row of a list that is selected, or -1.
int selectedRow(const QListWidget* list)
{
    const int row = list->currentRow();
    const QListWidgetItem* item = list->item(row);
    return item && item->isSelected() ? row : -1;
}

} // namespace

void MainWindow::loadLookupFields(const LookupRecord& record)
{
    UserLookupsTab& user = *m_userLookupsTab;
    PageInspectorTab& inspector = *m_pageInspectorTab;
    for (QLineEdit* field : {user.urlEdit(), inspector.keywordEdit(), inspector.skipEdit(), user.pagePasswordEdit(),
                             user.pageUsernameEdit()})
        field->clear();
    user.pageAuthCheck()->setChecked(false);
    user.entryNameLabel()->clear();
    user.urlEdit()->setText(toQString(record.url));
    user.anyCertificateCheck()->setChecked(record.acceptAnyCertificate);
    inspector.keywordEdit()->setText(toQString(record.keyword));
    inspector.skipEdit()->setText(toQString(record.charToSkip));
    if (record.credentials) {
        user.pageAuthCheck()->setChecked(true);
        user.pageUsernameEdit()->setText(toQString(record.username));
        user.pagePasswordEdit()->setText(toQString(record.password));
    }
}

LookupRecord MainWindow::fieldsRecord() const
{
    LookupRecord record;
    record.url = toBytes(m_userLookupsTab->urlEdit()->text());
    record.keyword = toBytes(m_pageInspectorTab->keywordEdit()->text());
    record.charToSkip = toBytes(m_pageInspectorTab->skipEdit()->text());
    record.credentials = m_userLookupsTab->pageAuthCheck()->isChecked();
    record.acceptAnyCertificate = m_userLookupsTab->anyCertificateCheck()->isChecked() && isHttpsUrl(record.url);
    if (record.credentials) {
        record.username = toBytes(m_userLookupsTab->pageUsernameEdit()->text());
        record.password = toBytes(m_userLookupsTab->pagePasswordEdit()->text());
    }
    return record;
}

bool MainWindow::entryFieldsAccepted()
{
    if (const std::optional<std::string_view> problem = entryFieldsProblem(fieldsRecord())) {
        m_dialogs.showMessage(toQString(*problem));
        return false;
    }
    return true;
}

void MainWindow::onUserLookupChosen()
{
    QListWidget* names = m_userLookupsTab->userLookupList();
    const int row = names->currentRow();
    if (row < 0)
        return;
    clearSelection(m_userLookupsTab->presetList());
    QListWidget* records = m_externalServiceTab->userRecordsList();
    const bool credentials = listRows::isChecked(records, row);
    {
        // Loading a stored entry is no edit of it.
        const QScopedValueRollback loading(m_loadingRow, true);
        loadLookupFields(parseStoredLookupRecord(listRows::recordAt(records, row), credentials));
    }
    m_selectionCode = userSelectionCode(static_cast<std::size_t>(row));
    m_userLookupsTab->entryNameLabel()->setText(names->item(row)->text());
    m_userLookupsTab->removeButton()->setEnabled(true);
}

void MainWindow::onPresetChosen()
{
    QListWidget* presets = m_userLookupsTab->presetList();
    const int row = presets->currentRow();
    if (row < 0)
        return;
    clearSelection(m_userLookupsTab->userLookupList());
    QListWidget* records = m_externalServiceTab->presetRecordsList();
    const bool credentials = listRows::isChecked(records, row);
    loadLookupFields(parseLookupRecord(listRows::recordAt(records, row), credentials));
    m_selectionCode = presetSelectionCode(static_cast<std::size_t>(row));
    m_userLookupsTab->entryNameLabel()->setText(presets->item(row)->text());
    m_userLookupsTab->applyButton()->setEnabled(false);
    m_userLookupsTab->removeButton()->setEnabled(false);
}

void MainWindow::onNewClicked()
{
    UserLookupsTab& user = *m_userLookupsTab;
    user.urlEdit()->clear();
    m_pageInspectorTab->keywordEdit()->setText(QStringLiteral("<html>"));
    m_pageInspectorTab->skipEdit()->setText(QStringLiteral("0"));
    for (QLineEdit* field : {user.pagePasswordEdit(), user.pageUsernameEdit(), m_pageInspectorTab->addressEdit()})
        field->clear();
    user.pageAuthCheck()->setChecked(false);
    user.anyCertificateCheck()->setChecked(false);
    pageView().clear();
    user.entryNameLabel()->clear();
    m_selectionCode = kNoSelection;
    clearSelection(user.userLookupList());
    clearSelection(user.presetList());
}

void MainWindow::onAddClicked()
{
    if (!entryFieldsAccepted())
        return;
    const QString name =
        m_dialogs.inputBox(toQString(lookuptexts::kNameCaption), toQString(lookuptexts::kNamePrompt), QString());
    if (name.isEmpty())
        return;
    QListWidget* names = m_userLookupsTab->userLookupList();
    QListWidget* records = m_externalServiceTab->userRecordsList();
    for (int row = 0; row < names->count(); ++row) {
        if (names->item(row)->text() != name)
            continue;
        m_dialogs.beep();
        if (!m_dialogs.confirmYesNo(toQString(lookuptexts::kNameExists), pos() + QPoint(150, 150)))
            return;
    }
    names->addItem(name);
    const auto sequence = static_cast<std::size_t>(records->count()) + 1;
    listRows::addRecordRow(records, storedLookupRecord(sequence, fieldsRecord()),
                           m_userLookupsTab->pageAuthCheck()->isChecked());
    const int row = names->count() - 1;
    m_selectionCode = userSelectionCode(static_cast<std::size_t>(row));
    clearSelection(m_userLookupsTab->presetList());
    names->setCurrentRow(row);
}

void MainWindow::onApplyClicked()
{
    QListWidget* names = m_userLookupsTab->userLookupList();
    const int row = selectedRow(names);
    if (row < 0) {
        // No stored entry to change: the fields become a new one, so the edit is not lost.
        const int rows = names->count();
        onAddClicked();
        if (names->count() > rows)
            m_userLookupsTab->applyButton()->setEnabled(false);
        return;
    }
    if (!entryFieldsAccepted())
        return;
    QListWidget* records = m_externalServiceTab->userRecordsList();
    const auto sequence = static_cast<std::size_t>(records->count()) + 1;
    records->item(row)->setText(listRows::recordText(storedLookupRecord(sequence, fieldsRecord())));
    listRows::setChecked(records, row, m_userLookupsTab->pageAuthCheck()->isChecked());
    m_userLookupsTab->applyButton()->setEnabled(false);
}

void MainWindow::onRemoveClicked()
{
    const int row = selectedRow(m_userLookupsTab->userLookupList());
    if (row < 0)
        return;
    delete m_userLookupsTab->userLookupList()->takeItem(row);
    delete m_externalServiceTab->userRecordsList()->takeItem(row);
    m_userLookupsTab->entryNameLabel()->clear();
    m_selectionCode = kNoSelection;
    onNewClicked();
}

void MainWindow::onLookupFieldsEdited()
{
    QLineEdit* url = m_userLookupsTab->urlEdit();
    const bool skipGiven = !m_pageInspectorTab->skipEdit()->text().isEmpty();
    m_userLookupsTab->getAddressButton()->setEnabled(!url->text().isEmpty() && skipGiven);
    m_pageInspectorTab->testButton()->setEnabled(skipGiven);
    const std::string bytes = toBytes(url->text());
    const std::string_view stripped = withoutHttpPrefix(bytes);
    if (stripped.size() != bytes.size()) {
        // Setting the field runs this handler again for the rest.
        url->setText(toQString(stripped));
        return;
    }
    if (!m_loadingRow && editsEnableApply(m_selectionCode))
        m_userLookupsTab->applyButton()->setEnabled(true);
    m_userLookupsTab->entryNameLabel()->clear();
}

void MainWindow::onUserLookupsTabShown()
{
    m_userLookupsTab->getAddressButton()->setEnabled(!m_userLookupsTab->urlEdit()->text().isEmpty());
    m_userLookupsTab->addButton()->setEnabled(!m_pageInspectorTab->skipEdit()->text().isEmpty());
    m_userLookupsTab->applyButton()->setEnabled(false);
}

} // namespace kestrune::app
