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

constexpr int kLoadedBytesRole = Qt::UserRole;

// The bytes to save for a field: those loaded while it still shows them, so bytes that are not UTF-8 survive;
// an edited field gives the UTF-8 of its text.
std::string Kept(const QString& shown, const std::string& loaded)
{
    return shown == ShownText(loaded) ? loaded : Bytes(shown);
}

// A lookup name carries its loaded bytes, which stay with it however rows are added or removed.
QListWidgetItem* NameItem(const std::string& name)
{
    auto* item = new QListWidgetItem(ShownText(name));
    item->setData(kLoadedBytesRole, QByteArray(name.data(), static_cast<qsizetype>(name.size())));
    return item;
}

std::string NameBytes(const QListWidgetItem& item)
{
    const QByteArray loaded = item.data(kLoadedBytesRole).toByteArray();
    return Kept(item.text(), std::string(loaded.constData(), static_cast<std::size_t>(loaded.size())));
}

// Puts one setting into its control the way a user would, so the control's change handling runs.
void Apply(TForm1& form, ESetting id, const TSettings& s, const std::vector<TLookupEntry>& lookups)
{
    switch (id) {
    case ESetting::ExtDNS: form.cboxDNS->setEditText(ShownText(s.ExtDNS)); break;
    case ESetting::External: form.rbExternal->setChecked(s.External); break;
    case ESetting::UserDefined: form.rbUserDefined->setChecked(s.UserDefined); break;
    case ESetting::SelectedRouter: form.SelectedRouter = s.SelectedRouter; break;
    case ESetting::Routers:
        form.ListBox5->clear();
        for (const TLookupEntry& entry : lookups)
            form.ListBox5->addItem(NameItem(entry.Name));
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
    case ESetting::MailTo: form.edWebTo->setText(ShownText(s.MailTo)); break;
    case ESetting::MailServer: form.edWebSMTP->setText(ShownText(s.MailServer)); break;
    case ESetting::MailFrom: form.edWebFrom->setText(ShownText(s.MailFrom)); break;
    case ESetting::MailSubject: form.edWebMail->setText(ShownText(s.MailSubject)); break;
    case ESetting::WebAuth: form.cboxWebAuth->setChecked(s.WebAuth); break;
    case ESetting::WebUser: form.edWebUser->setText(ShownText(s.WebUser)); break;
    case ESetting::WebPass: form.edWebPass->setText(ShownText(s.WebPass)); break;
    case ESetting::MailedIP: form.LastMailedIP = ShownText(s.MailedIP); break;
    case ESetting::FtpEnable: form.cbFTP->setChecked(s.FtpEnable); break;
    case ESetting::FtpHost: form.RemoteHost->setText(ShownText(s.FtpHost)); break;
    case ESetting::FtpUsername: form.Username->setText(ShownText(s.FtpUsername)); break;
    case ESetting::FtpPassword: form.Password->setText(ShownText(s.FtpPassword)); break;
    case ESetting::FtpSavePass: form.cbPassword->setChecked(s.FtpSavePass); break;
    case ESetting::FtpLocalFile: form.edLocalFile->setText(ShownText(s.FtpLocalFile)); break;
    case ESetting::FtpRemoteFile: form.edRemote->setText(ShownText(s.FtpRemoteFile)); break;
    case ESetting::UploadedIP: form.LastUploadedIP = ShownText(s.UploadedIP); break;
    case ESetting::SaveIP: form.cbSaveIP->setChecked(s.SaveIP); break;
    case ESetting::IPFilename: form.edSaveIP->setText(ShownText(s.IPFilename)); break;
    case ESetting::SaveLog: form.cbLog->setChecked(s.SaveLog); break;
    case ESetting::LogFilename: form.edLog->setText(ShownText(s.LogFilename)); break;
    case ESetting::LogLines: form.SpinEdit2->SetValue(s.LogLines); break;
    case ESetting::Interval: form.SpinEdit1->SetValue(s.Interval); break;
    case ESetting::AutoStart: form.cbAutoStartRefresh->setChecked(s.AutoStart); break;
    case ESetting::Minimize: form.cbMinimize->setChecked(s.Minimize); break;
    case ESetting::StartMinimized: form.cbStartMinimized->setChecked(s.StartMinimized); break;
    case ESetting::MailPort: form.edPort->setText(ShownText(s.MailPort)); break;
    case ESetting::MailSSL: form.cbSSL->setChecked(s.MailSSL); break;
    case ESetting::MailStartTLS:
    case ESetting::MailAnyCertificate:
    case ESetting::FtpPassive:
    case ESetting::FtpTLS:
    case ESetting::FtpAnyCertificate:
    case ESetting::RunCommand:
    case ESetting::Command:
    case ESetting::CommandIP:
        break;  // no control yet: kept as loaded
    case ESetting::Fallback:
    case ESetting::PublicOnly: break;  // no control yet; SaveSettings keeps what the file holds
    }
}

std::string_view FirstServiceUrl() { return kExternalServices[0].URL; }

} // namespace

void TForm1::LoadSettings()
{
    // A close killed while saving leaves a full copy of the file, scrambled passwords included.
    TIniFile::RemoveStaleTemporaries(Paths.SettingsFile);
    ApplySettings(LoadSettingsFile(Paths.SettingsFile, FirstServiceUrl()));
}

void TForm1::ApplySettings(const TSettings& settings)
{
    const std::vector<TLookupEntry> lookups = LoadLookupEntries({settings.Routers, settings.RoutersData});
    loadedSettings_ = settings;
    for (ESetting id : kSettingsReadOrder)
        Apply(*this, id, settings, lookups);
}

TSettings TForm1::ControlsToSettings() const
{
    const TSettings& was = loadedSettings_;
    TSettings s = DefaultSettings(FirstServiceUrl());
    s.ExtDNS = Kept(cboxDNS->currentText(), was.ExtDNS);
    s.External = rbExternal->isChecked();
    s.UserDefined = rbUserDefined->isChecked();
    s.SelectedRouter = SelectedRouter;
    std::vector<TLookupEntry> lookups;
    for (int row = 0; row < ListBox5->count(); ++row)
        lookups.push_back({NameBytes(*ListBox5->item(row)), ListRows::RecordAt(CheckListBox5, row),
                           ListRows::IsChecked(CheckListBox5, row)});
    TLookupSections sections = StoreLookupEntries(lookups);
    s.Routers = std::move(sections.Routers);
    s.RoutersData = std::move(sections.RoutersData);
    s.SendMail = cbWebMail->isChecked();
    s.MailTo = Kept(edWebTo->text(), was.MailTo);
    s.MailServer = Kept(edWebSMTP->text(), was.MailServer);
    s.MailFrom = Kept(edWebFrom->text(), was.MailFrom);
    s.MailSubject = Kept(edWebMail->text(), was.MailSubject);
    s.WebAuth = cboxWebAuth->isChecked();
    s.WebUser = Kept(edWebUser->text(), was.WebUser);
    s.WebPass = Kept(edWebPass->text(), was.WebPass);
    s.MailedIP = Kept(LastMailedIP, was.MailedIP);
    s.MailPort = Kept(edPort->text(), was.MailPort);
    s.MailSSL = cbSSL->isChecked();
    s.FtpEnable = cbFTP->isChecked();
    s.FtpHost = Kept(RemoteHost->text(), was.FtpHost);
    s.FtpUsername = Kept(Username->text(), was.FtpUsername);
    s.FtpPassword = Kept(Password->text(), was.FtpPassword);
    s.FtpSavePass = cbPassword->isChecked();
    s.FtpLocalFile = Kept(edLocalFile->text(), was.FtpLocalFile);
    s.FtpRemoteFile = Kept(edRemote->text(), was.FtpRemoteFile);
    s.UploadedIP = Kept(LastUploadedIP, was.UploadedIP);
    s.SaveIP = cbSaveIP->isChecked();
    s.IPFilename = Kept(edSaveIP->text(), was.IPFilename);
    s.SaveLog = cbLog->isChecked();
    s.LogFilename = Kept(edLog->text(), was.LogFilename);
    s.LogLines = SpinEdit2->Value();
    s.Interval = SpinEdit1->Value();
    s.AutoStart = cbAutoStartRefresh->isChecked();
    s.Minimize = cbMinimize->isChecked();
    s.StartMinimized = cbStartMinimized->isChecked();
    // Settings without a control yet go back as they were loaded.
    s.RunCommand = was.RunCommand;
    s.Command = was.Command;
    s.CommandIP = was.CommandIP;
    s.DnsUpdates = was.DnsUpdates;
    s.PendingRetries = was.PendingRetries;
    return s;
}

void TForm1::SaveSettings()
{
    if (Paths.InConfigFolder)
        EnsureAppFolder(Paths);
    TSettings settings = ControlsToSettings();
    const TSettings stored = LoadSettingsFile(Paths.SettingsFile, FirstServiceUrl());
    settings.Fallback = stored.Fallback;
    settings.PublicOnly = stored.PublicOnly;
    SaveSettingsFile(settings, Paths.SettingsFile);
}
