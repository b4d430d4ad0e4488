#include "FindDialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace kestrune::app {

FindDialog::FindDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("findDialog"));
    setWindowTitle(QStringLiteral("Find"));
    setModal(false);
    // A tool window with a close button only: nothing to maximise, no help to ask for.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    auto* row = new QHBoxLayout(this);
    auto* caption = new QLabel(QStringLiteral("Fi&nd what:"), this);
    row->addWidget(caption);
    m_findEdit = new QLineEdit(this);
    caption->setBuddy(m_findEdit);
    m_findEdit->setObjectName(QStringLiteral("findTextEdit"));
    m_findEdit->setMinimumWidth(180);
    row->addWidget(m_findEdit, 1);
    auto* buttons = new QVBoxLayout;
    m_findNextButton = new QPushButton(QStringLiteral("&Find Next"), this);
    m_findNextButton->setObjectName(QStringLiteral("findNextButton"));
    m_findNextButton->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    buttons->addWidget(m_findNextButton);
    buttons->addWidget(cancel);
    buttons->addStretch();
    row->addLayout(buttons);
    connect(m_findNextButton, &QPushButton::clicked, this, &FindDialog::findNext);
    connect(cancel, &QPushButton::clicked, this, &QDialog::hide);
    connect(m_findEdit, &QLineEdit::textChanged, this, [this](const QString& text) { m_findNextButton->setEnabled(!text.isEmpty()); });
    m_findNextButton->setEnabled(false);
}

QString FindDialog::findText() const { return m_findEdit->text(); }

void FindDialog::setFindText(const QString& text)
{
    m_findEdit->setText(text);
    m_findEdit->selectAll();
}

} // namespace kestrune::app
