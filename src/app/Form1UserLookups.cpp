#include "Form1.h"

#include "ListRows.h"
#include "LookupRecord.h"
#include "LookupTexts.h"
#include "PageView.h"
#include "SelectionCode.h"
#include "Utf8Text.h"

#include <QCheckBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QTabWidget>

namespace {

void ClearSelection(QListWidget* list)
{
    list->setCurrentRow(-1);
    list->clearSelection();
}

// The row of a list that is selected, or -1.
int SelectedRow(const QListWidget* list)
{
    const int row = list->currentRow();
    const QListWidgetItem* item = list->item(row);
    return item && item->isSelected() ? row : -1;
}

} // namespace

void TForm1::ConnectUserLookupHandlers()
{
    connect(btnNew, &QPushButton::clicked, this, [this] { Guarded([this] { btnNewClick(); }); });
    connect(btnAdd, &QPushButton::clicked, this, [this] { Guarded([this] { btnAddClick(); }); });
    connect(btnWebEdit, &QPushButton::clicked, this, [this] { Guarded([this] { btnWebEditClick(); }); });
    connect(btnRemove, &QPushButton::clicked, this, [this] { Guarded([this] { btnRemoveClick(); }); });
    for (QLineEdit* field : {edURL, edKeyword, edWebUsername, edWebPassword})
        connect(field, &QLineEdit::textChanged, this, [this] { Guarded([this] { edURLChange(); }); });
    connect(cbWebAuth, &QCheckBox::toggled, this, [this] { Guarded([this] { edURLChange(); }); });
    // The arrow keys move the selection as a click does, and Apply and Remove act on the selected row, so
    // that row is loaded too. Clicks are left to the click handlers; focusing the list only marks a row as
    // current without selecting it, and must not replace the fields.
    auto loadOnKeys = [this](QListWidget* list, void (TForm1::*load)()) {
        connect(list, &QListWidget::currentRowChanged, this, [this, list, load](int row) {
            const QListWidgetItem* item = list->item(row);
            if (item && item->isSelected() && list->hasFocus() && QGuiApplication::mouseButtons() == Qt::NoButton)
                Guarded([this, load] { (this->*load)(); });
        });
    };
    loadOnKeys(ListBox5, &TForm1::ListBox5Click);
    loadOnKeys(ListBox6, &TForm1::SelectPresetClick);
    connect(PageControl9, &QTabWidget::currentChanged, this, [this] {
        if (PageControl9->currentWidget() == TsUser)
            Guarded([this] { TsUserShow(); });
    });
}

void TForm1::LoadLookupFields(const TLookupRecord& record)
{
    for (QLineEdit* field : {edURL, edKeyword, edChartoSkip, edWebPassword, edWebUsername})
        field->clear();
    cbWebAuth->setChecked(false);
    Panel56->clear();
    edURL->setText(Text(record.URL));
    edKeyword->setText(Text(record.Keyword));
    edChartoSkip->setText(Text(record.CharToSkip));
    if (record.Credentials) {
        cbWebAuth->setChecked(true);
        edWebUsername->setText(Text(record.Username));
        edWebPassword->setText(Text(record.Password));
    }
}

TLookupRecord TForm1::FieldsRecord() const
{
    TLookupRecord record;
    record.URL = Bytes(edURL->text());
    record.Keyword = Bytes(edKeyword->text());
    record.CharToSkip = Bytes(edChartoSkip->text());
    record.Credentials = cbWebAuth->isChecked();
    if (record.Credentials) {
        record.Username = Bytes(edWebUsername->text());
        record.Password = Bytes(edWebPassword->text());
    }
    return record;
}

bool TForm1::EntryFieldsAccepted()
{
    if (const std::optional<std::string_view> problem = EntryFieldsProblem(FieldsRecord())) {
        dialogs_.ShowMessage(Text(*problem));
        return false;
    }
    return true;
}

void TForm1::ListBox5Click()
{
    const int row = ListBox5->currentRow();
    if (row < 0)
        return;
    ClearSelection(ListBox6);
    const bool credentials = ListRows::IsChecked(CheckListBox5, row);
    {
        // Loading a stored entry is no edit of it.
        const QScopedValueRollback loading(loadingRow_, true);
        LoadLookupFields(ParseStoredLookupRecord(ListRows::RecordAt(CheckListBox5, row), credentials));
    }
    SelectedRouter = UserSelectionCode(static_cast<std::size_t>(row));
    Panel56->setText(ListBox5->item(row)->text());
    btnRemove->setEnabled(true);
}

void TForm1::SelectPresetClick()
{
    const int row = ListBox6->currentRow();
    if (row < 0)
        return;
    ClearSelection(ListBox5);
    const bool credentials = ListRows::IsChecked(CheckListBox6, row);
    LoadLookupFields(ParseLookupRecord(ListRows::RecordAt(CheckListBox6, row), credentials));
    SelectedRouter = PresetSelectionCode(static_cast<std::size_t>(row));
    Panel56->setText(ListBox6->item(row)->text());
    btnWebEdit->setEnabled(false);
    btnRemove->setEnabled(false);
}

void TForm1::btnNewClick()
{
    edURL->clear();
    edKeyword->setText(QStringLiteral("<html>"));
    edChartoSkip->setText(QStringLiteral("0"));
    for (QLineEdit* field : {edWebPassword, edWebUsername, edIPAddress})
        field->clear();
    cbWebAuth->setChecked(false);
    pageView_->Clear();
    Panel56->clear();
    SelectedRouter = kNoSelection;
    ClearSelection(ListBox5);
    ClearSelection(ListBox6);
}

void TForm1::btnAddClick()
{
    if (!EntryFieldsAccepted())
        return;
    const QString name = dialogs_.InputBox(Text(LookupText::NameCaption), Text(LookupText::NamePrompt), QString());
    if (name.isEmpty())
        return;
    for (int row = 0; row < ListBox5->count(); ++row) {
        if (ListBox5->item(row)->text() != name)
            continue;
        dialogs_.Beep();
        if (!dialogs_.ConfirmYesNo(Text(LookupText::NameExists), pos() + QPoint(150, 150)))
            return;
    }
    ListBox5->addItem(name);
    const auto sequence = static_cast<std::size_t>(CheckListBox5->count()) + 1;
    ListRows::AddRecordRow(CheckListBox5, StoredLookupRecord(sequence, FieldsRecord()), cbWebAuth->isChecked());
    const int row = ListBox5->count() - 1;
    SelectedRouter = UserSelectionCode(static_cast<std::size_t>(row));
    ClearSelection(ListBox6);
    ListBox5->setCurrentRow(row);
}

void TForm1::btnWebEditClick()
{
    const int row = SelectedRow(ListBox5);
    if (row < 0) {
        // No stored entry to change: the fields become a new one, so the edit is not lost.
        const int rows = ListBox5->count();
        btnAddClick();
        if (ListBox5->count() > rows)
            btnWebEdit->setEnabled(false);
        return;
    }
    if (!EntryFieldsAccepted())
        return;
    const auto sequence = static_cast<std::size_t>(CheckListBox5->count()) + 1;
    CheckListBox5->item(row)->setText(ListRows::RecordText(StoredLookupRecord(sequence, FieldsRecord())));
    ListRows::SetChecked(CheckListBox5, row, cbWebAuth->isChecked());
    btnWebEdit->setEnabled(false);
}

void TForm1::btnRemoveClick()
{
    const int row = SelectedRow(ListBox5);
    if (row < 0)
        return;
    delete ListBox5->takeItem(row);
    delete CheckListBox5->takeItem(row);
    Panel56->clear();
    SelectedRouter = kNoSelection;
    btnNewClick();
}

void TForm1::edURLChange()
{
    btnGetIP->setEnabled(!edURL->text().isEmpty() && !edChartoSkip->text().isEmpty());
    btnTest->setEnabled(!edChartoSkip->text().isEmpty());
    const std::string url = Bytes(edURL->text());
    const std::string_view stripped = WithoutHttpPrefix(url);
    if (stripped.size() != url.size()) {
        // Setting the field runs this handler again for the rest.
        edURL->setText(Text(stripped));
        return;
    }
    if (!loadingRow_ && EditsEnableApply(SelectedRouter))
        btnWebEdit->setEnabled(true);
    Panel56->clear();
}

void TForm1::TsUserShow()
{
    btnGetIP->setEnabled(!edURL->text().isEmpty());
    btnAdd->setEnabled(!edChartoSkip->text().isEmpty());
    btnWebEdit->setEnabled(false);
}
