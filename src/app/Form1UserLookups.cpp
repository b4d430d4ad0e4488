#include "Form1.h"

#include "ListRows.h"
#include "LookupRecord.h"
#include "SelectionCode.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

namespace {

QString Text(const std::string& bytes)
{
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

void ClearSelection(QListWidget* list)
{
    list->setCurrentRow(-1);
    list->clearSelection();
}

} // namespace

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

void TForm1::ListBox5Click()
{
    const int row = ListBox5->currentRow();
    if (row < 0)
        return;
    ClearSelection(ListBox6);
    const bool credentials = ListRows::IsChecked(CheckListBox5, row);
    LoadLookupFields(ParseStoredLookupRecord(ListRows::RecordAt(CheckListBox5, row), credentials));
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
