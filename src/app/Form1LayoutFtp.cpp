#include "Form1.h"
#include "LayoutHelpers.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

void TForm1::BuildFtpTab()
{
    TsFTP = new QWidget;
    TsFTP->setObjectName(QStringLiteral("TsFTP"));
    auto* page = new QVBoxLayout(TsFTP);

    QGroupBox* server = Layout::Group(TsFTP, QStringLiteral("FTP Server "));
    auto* grid = new QGridLayout(server);
    RemoteHost = Layout::Edit(server, QStringLiteral("RemoteHost"));
    Username = Layout::Edit(server, QStringLiteral("Username"));
    Password = MaskedEdit(server, QStringLiteral("Password"));
    grid->addWidget(Layout::Caption(server, QStringLiteral("Host")), 0, 0);
    grid->addWidget(RemoteHost, 0, 1, 1, 2);
    grid->addWidget(Layout::Caption(server, QStringLiteral("Username")), 1, 0);
    grid->addWidget(Username, 1, 1);
    grid->addWidget(Layout::Caption(server, QStringLiteral("Password")), 2, 0);
    grid->addWidget(Password, 2, 1);
    cbPassword = Layout::CheckBox(server, QStringLiteral("cbPassword"), QStringLiteral("Remember password"));
    cbFTP = Layout::CheckBox(server, QStringLiteral("cbFTP"), QStringLiteral("Enable FTP"));
    btnFTP = Layout::Button(server, QStringLiteral("btnFTP"), QStringLiteral("Upload"));
    grid->addWidget(cbPassword, 2, 2);
    grid->addWidget(cbFTP, 3, 1);
    grid->addWidget(btnFTP, 3, 2);
    grid->setColumnStretch(1, 1);
    page->addWidget(server);

    QGroupBox* files = Layout::Group(TsFTP, QStringLiteral("FTP filenames "));
    auto* fileGrid = new QGridLayout(files);
    edLocalFile = Layout::Edit(files, QStringLiteral("edLocalFile"));
    Button1 = Layout::Button(files, QStringLiteral("Button1"), QStringLiteral("Browse.."));
    edRemote = Layout::Edit(files, QStringLiteral("edRemote"));
    fileGrid->addWidget(Layout::Caption(files, QStringLiteral("Local template:")), 0, 0);
    fileGrid->addWidget(edLocalFile, 0, 1);
    fileGrid->addWidget(Button1, 0, 2);
    fileGrid->addWidget(Layout::Caption(files, QStringLiteral("Remote Filename:")), 1, 0);
    fileGrid->addWidget(edRemote, 1, 1);
    fileGrid->setColumnStretch(1, 1);
    page->addWidget(files);
    page->addStretch();
}
