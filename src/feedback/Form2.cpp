#include "Form2.h"

#include "Dialogs.h"
#include "FeedbackMail.h"
#include "Form1.h"
#include "Utf8Text.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

namespace {

constexpr int kTextWidth = 380;

QLabel* NewLabel(QWidget* parent, const QString& name, const QString& text)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    return label;
}

QLabel* NoteLabel(QWidget* parent, const QString& name, const QString& text)
{
    QLabel* label = NewLabel(parent, name, text);
    label->setAlignment(Qt::AlignHCenter);
    label->setWordWrap(true);
    label->setFixedWidth(kTextWidth);
    return label;
}

QLineEdit* NewEdit(QWidget* parent, const QString& name)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    return edit;
}

QPushButton* NewButton(QWidget* parent, const QString& name, const QString& caption)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    // Enter in a field must not send the user off to the mail program.
    button->setAutoDefault(false);
    return button;
}

// The two-word caption ("Default" over "Username") in front of a factory login field.
QWidget* TwoLineCaption(QWidget* parent, QLabel* first, QLabel* second)
{
    auto* box = new QWidget(parent);
    auto* column = new QVBoxLayout(box);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    first->setParent(box);
    second->setParent(box);
    column->addWidget(first);
    column->addWidget(second);
    return box;
}

} // namespace

TForm2::TForm2(TForm1& mainWindow, TDialogs& dialogs) : QDialog(&mainWindow), mainWindow_(mainWindow), dialogs_(dialogs)
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Database feedback"));
    BuildControls();
    connect(CheckBox1, &QCheckBox::toggled, this, [this] { CheckBox1Click(); });
    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
    connect(Button2, &QPushButton::clicked, this, [this] { Button2Click(); });
    CheckBox1Click();
}

void TForm2::BuildControls()
{
    auto* column = new QVBoxLayout(this);
    // A fixed border: the dialog keeps the size its contents need.
    column->setSizeConstraint(QLayout::SetFixedSize);

    Label1 = NoteLabel(this, QStringLiteral("Label1"),
                       QStringLiteral("The details you send here are used for one thing only: to add your "
                                      "router to the Kestrune router databases."));
    // A label shows its caption as written; the ampersand needs no doubling here.
    Label2 = NoteLabel(this, QStringLiteral("Label2"), QStringLiteral("Please do NOT send your actual Username & Password!"));
    QFont bold = Label2->font();
    bold.setBold(true);
    Label2->setFont(bold);
    Label3 = NewLabel(this, QStringLiteral("Label3"), QStringLiteral("Is this the Default URL?  Please edit if necessary:"));
    column->addWidget(Label1);
    column->addWidget(Label2);
    column->addSpacing(6);
    column->addWidget(Label3);

    // One grid, so the address, manufacturer and model fields line up.
    auto* router = new QGridLayout;
    Label4 = NewLabel(this, QStringLiteral("Label4"), QStringLiteral("http://"));
    Edit1 = NewEdit(this, QStringLiteral("Edit1"));
    Label5 = NewLabel(this, QStringLiteral("Label5"), QStringLiteral("Router Manufacturer"));
    Edit2 = NewEdit(this, QStringLiteral("Edit2"));
    Label6 = NewLabel(this, QStringLiteral("Label6"), QStringLiteral("Model"));
    Edit3 = NewEdit(this, QStringLiteral("Edit3"));
    // Right against its field: the address continues after "http://".
    router->addWidget(Label4, 0, 0, Qt::AlignRight | Qt::AlignVCenter);
    router->addWidget(Edit1, 0, 1);
    router->addWidget(Label5, 1, 0);
    router->addWidget(Edit2, 1, 1);
    router->addWidget(Label6, 2, 0);
    router->addWidget(Edit3, 2, 1);
    column->addLayout(router);

    // In a check box caption "&&" stands for one ampersand.
    CheckBox1 = new QCheckBox(QStringLiteral("A default username && password is required"), this);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    column->addWidget(CheckBox1);

    auto* login = new QGridLayout;
    Label7 = NewLabel(this, QStringLiteral("Label7"), QStringLiteral("Default"));
    Label8 = NewLabel(this, QStringLiteral("Label8"), QStringLiteral("Username"));
    Edit4 = NewEdit(this, QStringLiteral("Edit4"));
    Label9 = NewLabel(this, QStringLiteral("Label9"), QStringLiteral("Default"));
    Label10 = NewLabel(this, QStringLiteral("Label10"), QStringLiteral("Password"));
    Edit5 = NewEdit(this, QStringLiteral("Edit5"));
    login->addWidget(TwoLineCaption(this, Label7, Label8), 0, 0);
    login->addWidget(Edit4, 0, 1);
    login->addWidget(TwoLineCaption(this, Label9, Label10), 1, 0);
    login->addWidget(Edit5, 1, 1);
    login->setContentsMargins(20, 0, 0, 0);
    column->addLayout(login);

    Label11 = NoteLabel(this, QStringLiteral("Label11"),
                        QStringLiteral("When you press the 'Submit'  button, your usual e-mail client  will open "
                                       "to allow you to examine the data before you send it."));
    column->addSpacing(6);
    column->addWidget(Label11);

    auto* buttons = new QHBoxLayout;
    Button1 = NewButton(this, QStringLiteral("Button1"), QStringLiteral("Submit"));
    Button2 = NewButton(this, QStringLiteral("Button2"), QStringLiteral("Cancel"));
    buttons->addStretch();
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    buttons->addStretch();
    column->addLayout(buttons);
}

void TForm2::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TForm2::FormShow()
{
    Edit1->setText(mainWindow_.edURL->text());
    Edit2->setFocus();
}

void TForm2::CheckBox1Click()
{
    const bool on = CheckBox1->isChecked();
    if (!on) {
        Edit4->clear();
        Edit5->clear();
    }
    for (QWidget* control : {static_cast<QWidget*>(Edit4), static_cast<QWidget*>(Edit5),
                             static_cast<QWidget*>(Label7), static_cast<QWidget*>(Label8),
                             static_cast<QWidget*>(Label9), static_cast<QWidget*>(Label10)})
        control->setEnabled(on);
}

void TForm2::Button1Click()
{
    TFeedbackData data;
    data.Url = Bytes(Edit1->text());
    data.Manufacturer = Bytes(Edit2->text());
    data.Model = Bytes(Edit3->text());
    data.DefaultLoginRequired = CheckBox1->isChecked();
    data.DefaultUsername = Bytes(Edit4->text());
    data.DefaultPassword = Bytes(Edit5->text());
    data.Keyword = Bytes(mainWindow_.edKeyword->text());
    data.SkipCount = Bytes(mainWindow_.edChartoSkip->text());
    // Whether the mail program opened is not examined: the user sees it or not.
    dialogs_.OpenUrl(QString::fromStdString(FeedbackMailtoLink(data)));
    accept();
}

void TForm2::Button2Click() { reject(); }
