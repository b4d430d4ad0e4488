#include "ListRows.h"

#include <QListWidget>

namespace kestrune::app {

namespace listRows {

void addCheckRow(QListWidget* list, const QString& text, bool checked)
{
    // Set up before it joins the list: an item of a list searches the whole list for its row on every change
    // until it is in it.
    auto* item = new QListWidgetItem(text);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
    list->addItem(item);
}

bool isChecked(const QListWidget* list, int row)
{
    const QListWidgetItem* item = list->item(row);
    return item && item->checkState() == Qt::Checked;
}

void setChecked(QListWidget* list, int row, bool checked)
{
    if (QListWidgetItem* item = list->item(row))
        item->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
}

QString recordText(const std::string& bytes)
{
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

std::string recordBytes(const QString& text)
{
    const QByteArray bytes = text.toLatin1();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

void addRecordRow(QListWidget* list, const std::string& record, bool credentials)
{
    addCheckRow(list, recordText(record), credentials);
}

std::string recordAt(const QListWidget* list, int row)
{
    const QListWidgetItem* item = list->item(row);
    return item ? recordBytes(item->text()) : std::string();
}

} // namespace listRows

} // namespace kestrune::app
