#pragma once

#include <QString>
#include <string>

class QListWidget;

// Rows of the check lists (CheckListBox5, CheckListBox6): a text with a check mark, the credentials flag.
// A stored lookup record is bytes that need not be UTF-8 (the "=" substitute, complemented passwords), so a
// record row shows its bytes one character per byte and gives them back unchanged.
namespace ListRows {

void AddCheckRow(QListWidget* list, const QString& text, bool checked);
bool IsChecked(const QListWidget* list, int row);
void SetChecked(QListWidget* list, int row, bool checked);

QString RecordText(const std::string& bytes);
std::string RecordBytes(const QString& text);
void AddRecordRow(QListWidget* list, const std::string& record, bool credentials);
std::string RecordAt(const QListWidget* list, int row);

} // namespace ListRows
