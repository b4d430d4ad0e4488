#include "Form1.h"
#include "Utf8Text.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

TWebmailSettings TForm1::MailSettings() const
{
    TWebmailSettings settings;
    settings.To = Bytes(edWebTo->text());
    settings.SMTPServer = Bytes(edWebSMTP->text());
    settings.PortText = Bytes(edPort->text());
    settings.SSL = cbSSL->isChecked();
    settings.From = Bytes(edWebFrom->text());
    settings.Subject = Bytes(edWebMail->text());
    settings.LoginRequired = cboxWebAuth->isChecked();
    settings.User = Bytes(edWebUser->text());
    settings.Password = Bytes(edWebPass->text());
    settings.AnyCertificate = true; // this window has no certificate box: it keeps accepting any, as before
    return settings;
}

void TForm1::SendWebmail(const QString& text)
{
    if (Mail.Busy()) {
        // Another mail waits on the server; this one would have to share its connection.
        dialogs_.Beep();
        return;
    }
    // Success and failure alike go unreported.
    Mail.SendWebmail(MailSettings(), Bytes(text));
    if (cbLog->isChecked() && !cbFTP->isChecked())
        WriteLog();
}

void TForm1::btnMailTestClick()
{
    const std::string message = WebmailFieldCheckMessage(MailSettings());
    if (!message.empty()) {
        dialogs_.ShowMessage(Text(message));
        return;
    }
    // A check arriving meanwhile would find the mail client busy and lose its mail: it waits for the test.
    const TFlagScope scope(checkRunning_);
    SendWebmail(Text(WebmailTestText(Bytes(Panel1->text()))));
}

void TForm1::TsMailShow() { btnMailTest->setEnabled(cbWebMail->isChecked()); }

void TForm1::cbWebMailClick() { btnMailTest->setEnabled(cbWebMail->isChecked()); }

void TForm1::Button2Click() { edPort->setText(Text(WebmailDefaultPortText(cbSSL->isChecked()))); }
