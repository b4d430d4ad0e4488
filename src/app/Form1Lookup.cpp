#include "Form1.h"

#include "ExternalServices.h"
#include "Lookup.h"
#include "LookupTexts.h"
#include "Utf8Text.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTimer>

void TForm1::ConnectLookupHandlers()
{
    connect(Button12, &QPushButton::clicked, this, [this] { Guarded([this] { Button12Click(Button12); }); });
    connect(btnGetIP, &QPushButton::clicked, this, [this] { Guarded([this] { btnTestClick(btnGetIP); }); });
    connect(btnTest, &QPushButton::clicked, this, [this] { Guarded([this] { btnTestClick(btnTest); }); });
    // A radio button's click handling runs whenever it becomes checked, by the user or by the program.
    connect(rbExternal, &QRadioButton::toggled, this, [this](bool checked) {
        if (checked)
            Guarded([this] { rbExternalClick(); });
    });
    connect(rbUserDefined, &QRadioButton::toggled, this, [this](bool checked) {
        if (checked)
            Guarded([this] { rbUserDefinedClick(); });
    });
    connect(DNSBlock1, &QTimer::timeout, this, [this] { Guarded([this] { DNSBlock1Timer(); }); });
    connect(DNSBlock2, &QTimer::timeout, this, [this] { Guarded([this] { DNSBlock2Timer(); }); });
}

void TForm1::SetOutsideIP(QObject*)
{
    const TFlagScope scope(checkRunning_);
    TLookupFields fields;
    fields.External = rbExternal->isChecked();
    fields.ServiceURL = Bytes(cboxDNS->currentText());
    fields.URL = Bytes(edURL->text());
    fields.Keyword = Bytes(edKeyword->text());
    fields.CharToSkip = Bytes(edChartoSkip->text());
    fields.WebAuth = cbWebAuth->isChecked();
    fields.Username = Bytes(edWebUsername->text());
    fields.Password = Bytes(edWebPassword->text());
    if (fields.External) {
        Panel1->clear();
        StatusBar1->showMessage(Text(LookupText::Retrieving));
    }
    TLookupResult result;
    try {
        result = RunLookup(NetHTTP1, fields, ExternalServices);
    } catch (const std::exception& error) {
        ReportLookupError(Text(LookupText::ErrorPrefix) + QString::fromUtf8(error.what()));
        return;
    }
    if (result.Failed()) {
        ReportLookupError(Text(LookupText::ErrorPrefix) + Text(result.ErrorMessage));
        return;
    }
    const QString address = Text(result.Address);
    Panel1->setText(address);
    setWindowTitle(QStringLiteral("Kestrune [") + address + QLatin1Char(']'));
    edIPAddress->setText(address);
    StatusBar1->clearMessage();
}

void TForm1::ReportLookupError(const QString& text)
{
    ShowErrorBalloon(text);
    if (cbWebMail->isChecked()) {
        try {
            SendWebmail(text);
        } catch (...) {
            // The log entry after the mail failed: the status line is still cleared before the error report.
            StatusBar1->clearMessage();
            throw;
        }
    }
    StatusBar1->clearMessage();
}

void TForm1::Button12Click(QObject* Sender)
{
    const std::string text = Bytes(cboxDNS->currentText());
    std::optional<int> service;
    for (int i = 0; i < 2; ++i)
        if (!service && text == ExternalServices[i].URL)
            service = i;
    if (DNSBlocked1 && service == 0) {
        dialogs_.ShowMessage(Text(RateMessage(ExternalServices[0])));
        return;
    }
    if (DNSBlocked2 && service == 1) {
        dialogs_.ShowMessage(Text(RateMessage(ExternalServices[1])));
        return;
    }
    if (CheckRunning()) {
        dialogs_.Beep();
        return;
    }
    Panel1->clear();
    if (service == 0) {
        SetTimerEnabled(DNSBlock1, true);
        DNSBlocked1 = true;
    } else if (service == 1) {
        SetTimerEnabled(DNSBlock2, true);
        DNSBlocked2 = true;
    }
    SetOutsideIP(Sender);
}

void TForm1::btnTestClick(QObject* Sender)
{
    if (edURL->text().isEmpty() || edKeyword->text().isEmpty() || edChartoSkip->text().isEmpty()) {
        dialogs_.ShowMessage(Text(LookupText::RequiredEntryMissing));
        return;
    }
    if (!rbUserDefined->isChecked()) {
        dialogs_.ShowMessage(Text(LookupText::NeedUserDefined));
        return;
    }
    if (CheckRunning()) {
        dialogs_.Beep();
        return;
    }
    setWindowTitle(QString());
    Panel1->clear();
    SetOutsideIP(Sender);
}

void TForm1::rbExternalClick()
{
    rbUserDefined->setChecked(!rbExternal->isChecked());
    Button12->setEnabled(rbExternal->isChecked());
}

void TForm1::rbUserDefinedClick()
{
    rbExternal->setChecked(!rbUserDefined->isChecked());
    Button12->setEnabled(rbExternal->isChecked());
}

void TForm1::DNSBlock1Timer()
{
    DNSBlocked1 = false;
    SetTimerEnabled(DNSBlock1, false);
}

void TForm1::DNSBlock2Timer()
{
    DNSBlocked2 = false;
    SetTimerEnabled(DNSBlock2, false);
}
