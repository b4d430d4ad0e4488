#include "Form1.h"

#include "FileDialogPresets.h"
#include "FtpUpload.h"
#include "Utf8Text.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <exception>

void TForm1::TsFTPShow()
{
    bool filled = true;
    for (const QLineEdit* field : {RemoteHost, Username, Password, edLocalFile, edRemote})
        filled = filled && !field->text().isEmpty();
    btnFTP->setEnabled(filled);
}

void TForm1::Button1Click()
{
    OpenDialog1 = PresetFromBox(OpenDialog1, edLocalFile->text(), QString(), executablePath_);
    if (const std::optional<QString> chosen = dialogs_.OpenFileName(OpenDialog1))
        edLocalFile->setText(*chosen);
}

void TForm1::NetFTP1Connected() { FTPConnected = true; }

void TForm1::NetFTP1Disconnected() { FTPConnected = false; }

void TForm1::UploadToServer()
{
    TFtpUploadJob job;
    job.Host = Bytes(RemoteHost->text());
    job.Username = Bytes(Username->text());
    job.Password = Bytes(Password->text());
    job.LocalTemplate = Bytes(edLocalFile->text());
    job.RemoteFile = Bytes(edRemote->text());
    job.Address = Bytes(Panel1->text());
    job.UploadFile = Paths.UploadFile;
    try {
        EnsureAppFolder(Paths);
        UploadTemplate(NetFTP1, job, [this](const std::string& status) {
            StatusBar1->showMessage(QString::fromUtf8(status.data(), static_cast<qsizetype>(status.size())));
        });
        LastUploadedIP = Panel1->text();
    } catch (const std::exception&) {
        // The address display is the upload's only report of a failure.
        Panel1->setText(QStringLiteral("Error"));
    }
}

void TForm1::DisconnectFtp()
{
    try {
        NetFTP1.QuitAndClose();
    } catch (const std::exception&) {
        // A connection that fails to close is gone all the same.
    }
    FTPConnected = false;
}
