#include "FindDialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TFindDialog::TFindDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FindDialog1"));
    setWindowTitle(QStringLiteral("Find"));
    setModal(false);
    auto* row = new QHBoxLayout(this);
    row->addWidget(new QLabel(QStringLiteral("Find what:"), this));
    findEdit_ = new QLineEdit(this);
    findEdit_->setObjectName(QStringLiteral("FindText"));
    findEdit_->setMinimumWidth(180);
    row->addWidget(findEdit_, 1);
    auto* buttons = new QVBoxLayout;
    findNext_ = new QPushButton(QStringLiteral("Find Next"), this);
    findNext_->setObjectName(QStringLiteral("FindNext"));
    findNext_->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("Cancel"));
    buttons->addWidget(findNext_);
    buttons->addWidget(cancel);
    buttons->addStretch();
    row->addLayout(buttons);
    connect(findNext_, &QPushButton::clicked, this, &TFindDialog::Find);
    connect(cancel, &QPushButton::clicked, this, &QDialog::hide);
    connect(findEdit_, &QLineEdit::textChanged, this, [this](const QString& text) { findNext_->setEnabled(!text.isEmpty()); });
    findNext_->setEnabled(false);
}

QString TFindDialog::FindText() const { return findEdit_->text(); }

void TFindDialog::SetFindText(const QString& text)
{
    findEdit_->setText(text);
    findEdit_->selectAll();
}
