#pragma once

#include <QString>
#include <string>

class QListWidget;

namespace kestrune::app {

// Rows of the lookup record lists: a text with a check mark, the credentials flag.
// A stored lookup record is bytes that need not be UTF-8 (the "=" substitute, complemented passwords), so a
// record row shows its bytes one character per byte and gives them back unchanged.
namespace listRows {

void addCheckRow(QListWidget* list, const QString& text, bool checked);
bool isChecked(const QListWidget* list, int row);
void setChecked(QListWidget* list, int row, bool checked);

QString recordText(const std::string& bytes);
std::string recordBytes(const QString& text);
void addRecordRow(QListWidget* list, const std::string& record, bool credentials);
std::string recordAt(const QListWidget* list, int row);

} // namespace listRows

} // namespace kestrune::app
