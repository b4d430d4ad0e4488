#include "Form1.h"

#include "ExternalServices.h"
#include "ListRows.h"
#include "LookupStore.h"
#include "Settings.h"
#include "SettingsTable.h"
#include "SpinEdit.h"
#include "Utf8Text.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>

namespace {

// Puts one setting into its control the way a user would, so the control's change handling runs.
void Apply(TForm1& form, ESetting id, const TSettings& s, const std::vector<TLookupEntry>& lookups)
{
    switch (id) {
    case ESetting::ExtDNS: form.cboxDNS->setEditText(Text(s.ExtDNS)); break;
    case ESetting::External: form.rbExternal->setChecked(s.External); break;
    case ESetting::UserDefined: form.rbUserDefined->setChecked(s.UserDefined); break;
    case ESetting::SelectedRouter: form.SelectedRouter = s.SelectedRouter; break;
    case ESetting::Routers:
        form.ListBox5->clear();
        for (const TLookupEntry& entry : lookups)
            form.ListBox5->addItem(Text(entry.Name));
        break;
    case ESetting::RoutersData:
        form.CheckListBox5->clear();
        for (const TLookupEntry& entry : lookups)
            ListRows::AddRecordRow(form.CheckListBox5, entry.StoredRecord, false);
        break;
    case ESetting::RouterCredentials:
        for (std::size_t row = 0; row < lookups.size(); ++row)
            ListRows::SetChecked(form.CheckListBox5, static_cast<int>(row), lookups[row].Credentials);
        break;
    case ESetting::SendMail: form.cbWebMail->setChecked(s.SendMail); break;
    case ESetting::MailTo: form.edWebTo->setText(Text(s.MailTo)); break;
    case ESetting::MailServer: form.edWebSMTP->setText(Text(s.MailServer)); break;
    case ESetting::MailFrom: form.edWebFrom->setText(Text(s.MailFrom)); break;
    case ESetting::MailSubject: form.edWebMail->setText(Text(s.MailSubject)); break;
    case ESetting::WebAuth: form.cboxWebAuth->setChecked(s.WebAuth); break;
    case ESetting::WebUser: form.edWebUser->setText(Text(s.WebUser)); break;
    case ESetting::WebPass: form.edWebPass->setText(Text(s.WebPass)); break;
    case ESetting::MailedIP: form.LastMailedIP = Text(s.MailedIP); break;
    case ESetting::FtpEnable: form.cbFTP->setChecked(s.FtpEnable); break;
    case ESetting::FtpHost: form.RemoteHost->setText(Text(s.FtpHost)); break;
    case ESetting::FtpUsername: form.Username->setText(Text(s.FtpUsername)); break;
    case ESetting::FtpPassword: form.Password->setText(Text(s.FtpPassword)); break;
    case ESetting::FtpSavePass: form.cbPassword->setChecked(s.FtpSavePass); break;
    case ESetting::FtpLocalFile: form.edLocalFile->setText(Text(s.FtpLocalFile)); break;
    case ESetting::FtpRemoteFile: form.edRemote->setText(Text(s.FtpRemoteFile)); break;
    case ESetting::UploadedIP: form.LastUploadedIP = Text(s.UploadedIP); break;
    case ESetting::SaveIP: form.cbSaveIP->setChecked(s.SaveIP); break;
    case ESetting::IPFilename: form.edSaveIP->setText(Text(s.IPFilename)); break;
    case ESetting::SaveLog: form.cbLog->setChecked(s.SaveLog); break;
    case ESetting::LogFilename: form.edLog->setText(Text(s.LogFilename)); break;
    case ESetting::LogLines: form.SpinEdit2->SetValue(s.LogLines); break;
    case ESetting::Interval: form.SpinEdit1->SetValue(s.Interval); break;
    case ESetting::AutoStart: form.cbAutoStartRefresh->setChecked(s.AutoStart); break;
    case ESetting::Minimize: form.cbMinimize->setChecked(s.Minimize); break;
    case ESetting::StartMinimized: form.cbStartMinimized->setChecked(s.StartMinimized); break;
    case ESetting::MailPort: form.edPort->setText(Text(s.MailPort)); break;
    case ESetting::MailSSL: form.cbSSL->setChecked(s.MailSSL); break;
    case ESetting::MailStartTLS:
    case ESetting::MailAnyCertificate:
    case ESetting::FtpPassive:
    case ESetting::FtpTLS:
    case ESetting::FtpAnyCertificate: break; // no control yet
    }
}

std::string_view FirstServiceUrl() { return kExternalServices[0].URL; }

} // namespace

void TForm1::LoadSettings() { ApplySettings(LoadSettingsFile(Paths.SettingsFile, FirstServiceUrl())); }

void TForm1::ApplySettings(const TSettings& settings)
{
    const std::vector<TLookupEntry> lookups = LoadLookupEntries({settings.Routers, settings.RoutersData});
    for (ESetting id : kSettingsReadOrder)
        Apply(*this, id, settings, lookups);
}

TSettings TForm1::ControlsToSettings() const
{
    TSettings s = DefaultSettings(FirstServiceUrl());
    s.ExtDNS = Bytes(cboxDNS->currentText());
    s.External = rbExternal->isChecked();
    s.UserDefined = rbUserDefined->isChecked();
    s.SelectedRouter = SelectedRouter;
    std::vector<TLookupEntry> lookups;
    for (int row = 0; row < ListBox5->count(); ++row)
        lookups.push_back({Bytes(ListBox5->item(row)->text()), ListRows::RecordAt(CheckListBox5, row),
                           ListRows::IsChecked(CheckListBox5, row)});
    TLookupSections sections = StoreLookupEntries(lookups);
    s.Routers = std::move(sections.Routers);
    s.RoutersData = std::move(sections.RoutersData);
    s.SendMail = cbWebMail->isChecked();
    s.MailTo = Bytes(edWebTo->text());
    s.MailServer = Bytes(edWebSMTP->text());
    s.MailFrom = Bytes(edWebFrom->text());
    s.MailSubject = Bytes(edWebMail->text());
    s.WebAuth = cboxWebAuth->isChecked();
    s.WebUser = Bytes(edWebUser->text());
    s.WebPass = Bytes(edWebPass->text());
    s.MailedIP = Bytes(LastMailedIP);
    s.MailPort = Bytes(edPort->text());
    s.MailSSL = cbSSL->isChecked();
    s.FtpEnable = cbFTP->isChecked();
    s.FtpHost = Bytes(RemoteHost->text());
    s.FtpUsername = Bytes(Username->text());
    s.FtpPassword = Bytes(Password->text());
    s.FtpSavePass = cbPassword->isChecked();
    s.FtpLocalFile = Bytes(edLocalFile->text());
    s.FtpRemoteFile = Bytes(edRemote->text());
    s.UploadedIP = Bytes(LastUploadedIP);
    s.SaveIP = cbSaveIP->isChecked();
    s.IPFilename = Bytes(edSaveIP->text());
    s.SaveLog = cbLog->isChecked();
    s.LogFilename = Bytes(edLog->text());
    s.LogLines = SpinEdit2->Value();
    s.Interval = SpinEdit1->Value();
    s.AutoStart = cbAutoStartRefresh->isChecked();
    s.Minimize = cbMinimize->isChecked();
    s.StartMinimized = cbStartMinimized->isChecked();
    return s;
}

void TForm1::SaveSettings()
{
    if (Paths.InConfigFolder)
        EnsureAppFolder(Paths);
    SaveSettingsFile(ControlsToSettings(), Paths.SettingsFile);
}
