#include "FeedbackForm.h"

#include "FeedbackMail.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

namespace kestrune::feedback {

namespace {

constexpr int kTextWidth = 380;

QLabel* newLabel(QWidget* parent, const QString& name, const QString& text)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    return label;
}

QLabel* noteLabel(QWidget* parent, const QString& name, const QString& text)
{
    QLabel* label = newLabel(parent, name, text);
    label->setAlignment(Qt::AlignHCenter);
    label->setWordWrap(true);
    label->setFixedWidth(kTextWidth);
    return label;
}

QLineEdit* newEdit(QWidget* parent, const QString& name)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    return edit;
}

QPushButton* newButton(QWidget* parent, const QString& name, const QString& caption)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    // Only the default button (Submit) answers Enter in a field.
    button->setAutoDefault(false);
    return button;
}

// The two-word caption ("Default" over "Username") in front of a factory login field.
QWidget* twoLineCaption(QWidget* parent, QLabel* first, QLabel* second)
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

FeedbackForm::FeedbackForm(QWidget* parent, FeedbackHost& host) : QDialog(parent), m_host(host)
{
    setObjectName(QStringLiteral("feedbackForm"));
    setWindowTitle(QStringLiteral("Database feedback"));
    buildControls();
    connect(m_defaultLoginCheck, &QCheckBox::toggled, this, [this] { onDefaultLoginToggled(); });
    connect(m_submitButton, &QPushButton::clicked, this, [this] { onSubmitClicked(); });
    connect(m_cancelButton, &QPushButton::clicked, this, [this] { onCancelClicked(); });
    connect(m_copyButton, &QPushButton::clicked, this, [this] { onCopyClicked(); });
    onDefaultLoginToggled();
}

void FeedbackForm::buildControls()
{
    auto* column = new QVBoxLayout(this);
    // A fixed border: the dialog keeps the size its contents need.
    column->setSizeConstraint(QLayout::SetFixedSize);

    auto* purpose = noteLabel(this, QStringLiteral("purposeLabel"),
                              QStringLiteral("The details you send here are used for one thing only: to add your "
                                             "router to the Kestrune router databases."));
    // A label shows its caption as written; the ampersand needs no doubling here.
    m_warningLabel = noteLabel(this, QStringLiteral("warningLabel"),
                               QStringLiteral("Please do NOT send your actual Username & Password!"));
    QFont bold = m_warningLabel->font();
    bold.setBold(true);
    m_warningLabel->setFont(bold);
    auto* urlQuestion = newLabel(this, QStringLiteral("urlQuestionLabel"),
                                 QStringLiteral("Is this the Default URL?  Please edit if necessary:"));
    column->addWidget(purpose);
    column->addWidget(m_warningLabel);
    column->addSpacing(6);
    column->addWidget(urlQuestion);

    // One grid, so the address, manufacturer and model fields line up.
    auto* router = new QGridLayout;
    auto* urlPrefix = newLabel(this, QStringLiteral("urlPrefixLabel"), QStringLiteral("http://"));
    m_urlEdit = newEdit(this, QStringLiteral("urlEdit"));
    auto* manufacturer = newLabel(this, QStringLiteral("manufacturerLabel"), QStringLiteral("Router &Manufacturer"));
    m_manufacturerEdit = newEdit(this, QStringLiteral("manufacturerEdit"));
    auto* model = newLabel(this, QStringLiteral("modelLabel"), QStringLiteral("Mo&del"));
    m_modelEdit = newEdit(this, QStringLiteral("modelEdit"));
    // Right against its field: the address continues after "http://".
    manufacturer->setBuddy(m_manufacturerEdit);
    model->setBuddy(m_modelEdit);
    router->addWidget(urlPrefix, 0, 0, Qt::AlignRight | Qt::AlignVCenter);
    router->addWidget(m_urlEdit, 0, 1);
    router->addWidget(manufacturer, 1, 0);
    router->addWidget(m_manufacturerEdit, 1, 1);
    router->addWidget(model, 2, 0);
    router->addWidget(m_modelEdit, 2, 1);
    column->addLayout(router);

    // In a check box caption "&&" stands for one ampersand.
    m_defaultLoginCheck = new QCheckBox(QStringLiteral("A default username && password is required"), this);
    m_defaultLoginCheck->setObjectName(QStringLiteral("defaultLoginCheck"));
    column->addWidget(m_defaultLoginCheck);

    auto* login = new QGridLayout;
    m_loginCaptions = {newLabel(this, QStringLiteral("usernameDefaultLabel"), QStringLiteral("Default")),
                       newLabel(this, QStringLiteral("usernameLabel"), QStringLiteral("Username")),
                       newLabel(this, QStringLiteral("passwordDefaultLabel"), QStringLiteral("Default")),
                       newLabel(this, QStringLiteral("passwordLabel"), QStringLiteral("Password"))};
    m_defaultUsernameEdit = newEdit(this, QStringLiteral("defaultUsernameEdit"));
    m_defaultPasswordEdit = newEdit(this, QStringLiteral("defaultPasswordEdit"));
    login->addWidget(twoLineCaption(this, m_loginCaptions[0], m_loginCaptions[1]), 0, 0);
    login->addWidget(m_defaultUsernameEdit, 0, 1);
    login->addWidget(twoLineCaption(this, m_loginCaptions[2], m_loginCaptions[3]), 1, 0);
    login->addWidget(m_defaultPasswordEdit, 1, 1);
    login->setContentsMargins(20, 0, 0, 0);
    column->addLayout(login);

    auto* submitNote =
        noteLabel(this, QStringLiteral("submitNoteLabel"),
                  QStringLiteral("When you press the 'Submit'  button, your usual e-mail client  will open "
                                 "to allow you to examine the data before you send it."));
    column->addSpacing(6);
    column->addWidget(submitNote);

    auto* buttons = new QHBoxLayout;
    m_submitButton = newButton(this, QStringLiteral("submitButton"), QStringLiteral("&Submit"));
    m_submitButton->setDefault(true);
    m_cancelButton = newButton(this, QStringLiteral("cancelButton"), QStringLiteral("Cancel"));
    // Shown once the mail program could not be opened: the message can still go out by hand.
    m_copyButton = newButton(this, QStringLiteral("copyButton"), QStringLiteral("C&opy Message"));
    m_copyButton->setVisible(false);
    buttons->addStretch();
    buttons->addWidget(m_submitButton);
    buttons->addWidget(m_copyButton);
    buttons->addWidget(m_cancelButton);
    buttons->addStretch();
    column->addLayout(buttons);
}

void FeedbackForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        onShown();
}

void FeedbackForm::onShown()
{
    m_urlEdit->setText(QString::fromStdString(m_host.lookupFields().pageAddress));
    m_manufacturerEdit->setFocus();
}

void FeedbackForm::onDefaultLoginToggled()
{
    const bool on = m_defaultLoginCheck->isChecked();
    if (!on) {
        m_defaultUsernameEdit->clear();
        m_defaultPasswordEdit->clear();
    }
    m_defaultUsernameEdit->setEnabled(on);
    m_defaultPasswordEdit->setEnabled(on);
    for (QLabel* caption : m_loginCaptions)
        caption->setEnabled(on);
}

FeedbackData FeedbackForm::composedData() const
{
    FeedbackData data;
    data.url = m_urlEdit->text().toStdString();
    data.manufacturer = m_manufacturerEdit->text().toStdString();
    data.model = m_modelEdit->text().toStdString();
    data.defaultLoginRequired = m_defaultLoginCheck->isChecked();
    data.defaultUsername = m_defaultUsernameEdit->text().toStdString();
    data.defaultPassword = m_defaultPasswordEdit->text().toStdString();
    const LookupFields fields = m_host.lookupFields();
    data.keyword = fields.keyword;
    data.skipCount = fields.skipCount;
    return data;
}

void FeedbackForm::onSubmitClicked()
{
    if (m_host.openMailLink(feedbackMailtoLink(composedData()))) {
        accept();
        return;
    }
    // Closing would throw the typed data away with nothing sent.
    m_copyButton->setVisible(true);
    m_host.showMessage("No e-mail program could be opened. Press 'Copy Message' to copy the address, subject and "
                       "text to the clipboard and send them yourself.");
}

void FeedbackForm::onCopyClicked()
{
    const std::string text = "To: " + std::string(kFeedbackAddress) + "\r\nSubject: " +
                             std::string(kFeedbackSubject) + "\r\n\r\n" + feedbackBody(composedData());
    m_host.copyToClipboard(text);
}

void FeedbackForm::onCancelClicked() { reject(); }

} // namespace kestrune::feedback
