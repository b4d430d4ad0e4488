#include "EnDeCrypt.h"
#include "FormFixture.h"
#include "SpinEdit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QtTest>
#include <filesystem>

namespace fs = std::filesystem;

class SettingsWindowTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }
    void uploadedAddressKeysAreOneEntry();
    void passwordsAreStoredScrambled();
    void intervalValues_data();
    void intervalValues();
    void quotedAndPaddedValues();
    void lookupSource_data();
    void lookupSource();
    void everySettingSurvivesCloseAndStart();
    void lookupListsAndSelection_data();
    void lookupListsAndSelection();
    void manualIntervalLoadsManualDisplays();
    void startMinimizedEnablesTimer2();
    void readOnlySettingsFileKeepsWindowOpen();
    void closeRemovesHelpFileButNotTheLogsTmpNeighbour();
    void hundredThousandLookupsStartAndClose();
    void bytesThatAreNotUtf8SurviveUnlessEdited();
    void startRemovesStaleSettingsTemporaries();
};

void SettingsWindowTest::uploadedAddressKeysAreOneEntry()
{
    TFormFixture fixture;
    fixture.WriteSettings("[FTP]\nUPLoadedIP=1.2.3.4\n");
    TForm1& form = fixture.Start();
    QCOMPARE(form.LastUploadedIP, QStringLiteral("1.2.3.4"));
    QVERIFY(fixture.Close());
    const std::string text = fixture.SettingsText();
    QVERIFY(text.find("UpLoadedIP=1.2.3.4\r\n") != std::string::npos);
    QVERIFY(text.find("UPLoadedIP") == std::string::npos);
    QVERIFY(text.find("UserDefined=1\r\n") != std::string::npos);
}

void SettingsWindowTest::passwordsAreStoredScrambled()
{
    TFormFixture fixture;
    {
        TForm1& form = fixture.Start();
        form.edWebPass->setText(QStringLiteral("abc"));
        form.Password->setText(QStringLiteral("abc"));
        form.cbPassword->setChecked(true);
        QVERIFY(fixture.Close());
    }
    const std::string text = fixture.SettingsText();
    QVERIFY(text.find("WebPass=\x9E\x9D\x9C\r\n") != std::string::npos);
    QVERIFY(text.find("Password=\x9E\x9D\x9C\r\n") != std::string::npos);
    QVERIFY(text.find("abc") == std::string::npos);
    TForm1& again = fixture.Start();
    QCOMPARE(again.edWebPass->text(), QStringLiteral("abc"));
    QCOMPARE(again.Password->text(), QStringLiteral("abc"));
}

void SettingsWindowTest::intervalValues_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("hoursMinutes");
    QTest::newRow("above the bound") << "5000" << "2880" << "48 hr : 0 min";
    QTest::newRow("not a number") << "abc" << "30" << "0 hr : 30 min";
    QTest::newRow("hexadecimal") << "0x3C" << "60" << "1 hr : 0 min";
    QTest::newRow("negative") << "-5" << "0" << "0 hr : 0 min";
    QTest::newRow("design value") << "10" << "10" << "0 hr : 10 min";
}

void SettingsWindowTest::intervalValues()
{
    QFETCH(QString, stored);
    QFETCH(QString, shown);
    QFETCH(QString, hoursMinutes);
    TFormFixture fixture;
    fixture.WriteSettings("[System]\nInterval=" + stored.toStdString() + "\n");
    TForm1& form = fixture.Start();
    QCOMPARE(form.SpinEdit1->Text(), shown);
    QCOMPARE(form.Panel41->text(), hoursMinutes);
    QVERIFY(fixture.Close());
    QVERIFY(fixture.SettingsText().find("Interval=" + shown.toStdString() + "\r\n") != std::string::npos);
}

void SettingsWindowTest::quotedAndPaddedValues()
{
    TFormFixture fixture;
    fixture.WriteSettings("[Mail]\nTo=\"  you@example.org  \"\nServer=   smtp.example.org   \nSubject='Hi'\n"
                          "Port=\"2525\"\n[Local]\nLines= 0x10 \n");
    TForm1& form = fixture.Start();
    QCOMPARE(form.edWebTo->text(), QStringLiteral("  you@example.org  "));
    QCOMPARE(form.edWebSMTP->text(), QStringLiteral("smtp.example.org"));
    QCOMPARE(form.edWebMail->text(), QStringLiteral("Hi"));
    QCOMPARE(form.edPort->text(), QStringLiteral("2525"));
    QCOMPARE(form.SpinEdit2->Value(), 16);
    QVERIFY(fixture.Close());
    TForm1& again = fixture.Start();
    QCOMPARE(again.edWebTo->text(), QStringLiteral("  you@example.org  "));
}

void SettingsWindowTest::lookupSource_data()
{
    QTest::addColumn<QString>("external");
    QTest::addColumn<QString>("userDefined");
    QTest::addColumn<bool>("externalChecked");
    QTest::addColumn<bool>("userChecked");
    QTest::newRow("user-defined") << "0" << "1" << false << true;
    QTest::newRow("external") << "1" << "0" << true << false;
    QTest::newRow("both: the later wins") << "1" << "1" << false << true;
    QTest::newRow("neither") << "0" << "0" << false << false;
}

void SettingsWindowTest::lookupSource()
{
    QFETCH(QString, external);
    QFETCH(QString, userDefined);
    QFETCH(bool, externalChecked);
    QFETCH(bool, userChecked);
    TFormFixture fixture;
    fixture.WriteSettings("[Lookup]\nExternal=" + external.toStdString() + "\nuserDefined=" +
                          userDefined.toStdString() + "\n");
    TForm1& form = fixture.Start();
    QCOMPARE(form.rbExternal->isChecked(), externalChecked);
    QCOMPARE(form.rbUserDefined->isChecked(), userChecked);
    QCOMPARE(form.Button12->isEnabled(), externalChecked);
}

void SettingsWindowTest::everySettingSurvivesCloseAndStart()
{
    const QList<QPair<QLineEdit* TForm1::*, QString>> texts = {
        {&TForm1::edWebTo, QStringLiteral("to@example.org")},
        {&TForm1::edWebSMTP, QStringLiteral("smtp.example.org")},
        {&TForm1::edWebFrom, QStringLiteral("from@example.org")},
        {&TForm1::edWebMail, QStringLiteral("Änderung")},
        {&TForm1::edWebUser, QStringLiteral("mailer")},
        {&TForm1::edWebPass, QStringLiteral("päss,word")},
        {&TForm1::edPort, QStringLiteral("465")},
        {&TForm1::RemoteHost, QStringLiteral("ftp.example.org")},
        {&TForm1::Username, QStringLiteral("uploader")},
        {&TForm1::Password, QStringLiteral("secret")},
        {&TForm1::edLocalFile, QStringLiteral("/tmp/template.html")},
        {&TForm1::edRemote, QStringLiteral("index.html")},
        {&TForm1::edSaveIP, QStringLiteral("/tmp/ip.txt")},
        {&TForm1::edLog, QStringLiteral("/tmp/log.txt")},
    };
    const QList<QCheckBox* TForm1::*> boxes = {&TForm1::cbWebMail, &TForm1::cboxWebAuth, &TForm1::cbSSL,
                                               &TForm1::cbFTP,     &TForm1::cbPassword,  &TForm1::cbSaveIP,
                                               &TForm1::cbLog,     &TForm1::cbMinimize,  &TForm1::cbStartMinimized};
    TFormFixture fixture;
    {
        TForm1& form = fixture.Start();
        form.cboxDNS->setEditText(QStringLiteral("http://example.invalid/ip"));
        form.rbExternal->setChecked(true);
        for (QCheckBox* TForm1::*box : boxes)
            (form.*box)->setChecked(true);
        for (const auto& [edit, text] : texts)
            (form.*edit)->setText(text);
        form.LastMailedIP = QStringLiteral("5.6.7.8");
        form.LastUploadedIP = QStringLiteral("1.2.3.4");
        form.SpinEdit2->SetValue(250);
        form.SpinEdit1->SetValue(45);
        QVERIFY(fixture.Close());
    }
    TForm1& form = fixture.Start();
    QCOMPARE(form.cboxDNS->currentText(), QStringLiteral("http://example.invalid/ip"));
    QVERIFY(form.rbExternal->isChecked());
    QVERIFY(!form.rbUserDefined->isChecked());
    for (QCheckBox* TForm1::*box : boxes)
        QVERIFY2((form.*box)->isChecked(), qPrintable((form.*box)->objectName()));
    for (const auto& [edit, text] : texts)
        QCOMPARE((form.*edit)->text(), text);
    QCOMPARE(form.LastMailedIP, QStringLiteral("5.6.7.8"));
    QCOMPARE(form.LastUploadedIP, QStringLiteral("1.2.3.4"));
    QCOMPARE(form.SpinEdit2->Value(), 250);
    QCOMPARE(form.SpinEdit1->Value(), 45);
    QVERIFY(!form.cbAutoStartRefresh->isChecked());
    // Filling the FTP fields re-tested the Upload button.
    QVERIFY(form.btnFTP->isEnabled());
    QVERIFY(form.Button12->isEnabled());
}

void SettingsWindowTest::lookupListsAndSelection_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("userRow");
    QTest::addColumn<int>("presetRow");
    QTest::addColumn<QString>("url");
    QTest::addColumn<int>("codeAtClose");
    QTest::newRow("nothing") << -1 << -1 << -1 << "" << -1;
    QTest::newRow("second user-defined") << 1 << 1 << -1 << "10.0.0.138/status" << 1;
    QTest::newRow("second preset") << 101 << -1 << 1 << "192.168.8.1/home/hstatus.sht" << 101;
    QTest::newRow("no such user row") << 7 << -1 << -1 << "" << -1;
    QTest::newRow("no such preset") << 150 << -1 << -1 << "" << -1;
}

void SettingsWindowTest::lookupListsAndSelection()
{
    QFETCH(int, code);
    QFETCH(int, userRow);
    QFETCH(int, presetRow);
    QFETCH(QString, url);
    QFETCH(int, codeAtClose);
    TFormFixture fixture;
    // The second record carries credentials, a scrambled password ("pw") and the "=" substitute.
    fixture.WriteSettings("[Router]\nSelectedRouter=" + std::to_string(code) +
                          "\n[Routers]\nFirst=1\nSecond=1\n[RoutersData]\n1,192.168.1.1/a.htm,WAN:,3=0\n"
                          "2,10.0.0.138/status,IP\xA7,2,admin,\x8F\x88=1\n");
    TForm1& form = fixture.Start();
    QCOMPARE(form.ListBox5->count(), 2);
    QCOMPARE(form.ListBox5->item(1)->text(), QStringLiteral("Second"));
    QCOMPARE(form.CheckListBox5->count(), 2);
    QCOMPARE(form.CheckListBox5->item(0)->checkState(), Qt::Unchecked);
    QCOMPARE(form.CheckListBox5->item(1)->checkState(), Qt::Checked);
    QCOMPARE(form.ListBox5->currentRow(), userRow);
    QCOMPARE(form.ListBox6->currentRow(), presetRow);
    QCOMPARE(form.edURL->text(), url);
    if (userRow == 1) {
        QCOMPARE(form.edKeyword->text(), QStringLiteral("IP="));
        QCOMPARE(form.edChartoSkip->text(), QStringLiteral("2"));
        QVERIFY(form.cbWebAuth->isChecked());
        QCOMPARE(form.edWebUsername->text(), QStringLiteral("admin"));
        QCOMPARE(form.edWebPassword->text(), QStringLiteral("pw"));
        QCOMPARE(form.Panel56->text(), QStringLiteral("Second"));
        QVERIFY(form.btnRemove->isEnabled());
    }
    if (presetRow >= 0) {
        QVERIFY(!form.btnRemove->isEnabled());
        QVERIFY(!form.btnWebEdit->isEnabled());
        QCOMPARE(form.Panel56->text(), QStringLiteral("Mentor MR4A/UK"));
    }
    QCOMPARE(form.SelectedRouter, codeAtClose);
    QVERIFY(fixture.Close());
    const std::string text = fixture.SettingsText();
    QVERIFY(text.find("SelectedRouter=" + std::to_string(codeAtClose) + "\r\n") != std::string::npos);
    QVERIFY(text.find("2,10.0.0.138/status,IP\xA7,2,admin,\x8F\x88=1\r\n") != std::string::npos);
    QVERIFY(text.find("[Routers]\r\nFirst=1\r\nSecond=1\r\n") != std::string::npos);
}

void SettingsWindowTest::manualIntervalLoadsManualDisplays()
{
    TFormFixture fixture;
    fixture.WriteSettings("[System]\nInterval=0\n");
    TForm1& form = fixture.Start();
    QCOMPARE(form.Panel30->text(), QStringLiteral("Manual"));
    QCOMPARE(form.btnStart->text(), QStringLiteral("Update"));
    QVERIFY(!form.Label38->isEnabled());
    QCOMPARE(form.cbAutoStartRefresh->text(), QStringLiteral("Check once at startup"));
    QCOMPARE(form.Panel41->text(), QStringLiteral("0 hr : 0 min"));
}

void SettingsWindowTest::startMinimizedEnablesTimer2()
{
    TFormFixture fixture;
    fixture.WriteSettings("[System]\nStartMinimized=1\n");
    TForm1& form = fixture.Start();
    QVERIFY(form.cbStartMinimized->isChecked());
    QVERIFY(form.Timer2->isActive());
    QCOMPARE(form.Timer2->interval(), 20);
}

void SettingsWindowTest::readOnlySettingsFileKeepsWindowOpen()
{
    TFormFixture fixture;
    fixture.WriteSettings("[System]\nInterval=45\n");
    TForm1& form = fixture.Start();
    form.show();
    const std::string help = fixture.Folder.Write("kestrune.html", "<html></html>");
    fs::permissions(fixture.SettingsPath(), fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    form.SpinEdit1->SetValue(90);

    QVERIFY(!form.close());
    QVERIFY(form.isVisible());
    const QStringList errors = fixture.Dialogs.Errors();
    QCOMPARE(errors.size(), 1);
    QVERIFY2(errors[0].contains(QString::fromStdString(fixture.SettingsPath())), qPrintable(errors[0]));
    QVERIFY(fs::exists(help));
    QVERIFY(fixture.SettingsText().find("Interval=45") != std::string::npos);

    fs::permissions(fixture.SettingsPath(), fs::perms::owner_read | fs::perms::owner_write);
    QVERIFY(form.close());
    QVERIFY(!fs::exists(help));
    QVERIFY(fixture.SettingsText().find("Interval=90\r\n") != std::string::npos);
}

void SettingsWindowTest::closeRemovesHelpFileButNotTheLogsTmpNeighbour()
{
    TFormFixture fixture;
    TForm1& form = fixture.Start();
    const std::string logTemp = fixture.Folder.Write("history", "");  // a log name without extension
    const std::string withTmp = fixture.Folder.Write("history.tmp", "pending");
    const std::string help = fixture.Folder.Write("kestrune.html", "<html></html>");
    const std::string unrelated = fixture.Folder.Write("kestrune.tmp", "upload file stays");
    form.edLog->setText(QString::fromStdString(logTemp));
    QVERIFY(fixture.Close());
    // The log's temporary files have unpredictable names; one named like the log with ".tmp" is the user's.
    QVERIFY(fs::exists(withTmp));
    QVERIFY(!fs::exists(help));
    QVERIFY(fs::exists(logTemp));
    QVERIFY(fs::exists(unrelated));
    QVERIFY(fs::status(fixture.SettingsPath()).permissions() ==
            (fs::perms::owner_read | fs::perms::owner_write));
}

// Loading and saving take well under a second each; scanning the file per key made them take minutes.
void SettingsWindowTest::hundredThousandLookupsStartAndClose()
{
    constexpr int kRows = 100000;
    std::string names = "[Routers]\n";
    std::string records = "[RoutersData]\n";
    for (int i = 0; i < kRows; ++i) {
        names += "Lookup" + std::to_string(i) + "=1\n";
        records += std::to_string(i + 1) + ",10.0.0.1/" + std::to_string(i) + ",IP,0=" + std::to_string(i % 2) + "\n";
    }
    TFormFixture fixture;
    fixture.WriteSettings("[Router]\nSelectedRouter=" + std::to_string(1000 + kRows - 1) + "\n" + names + records);
    TForm1& form = fixture.Start();
    QCOMPARE(form.ListBox5->count(), kRows);
    QCOMPARE(form.CheckListBox5->count(), kRows);
    QCOMPARE(form.ListBox5->currentRow(), kRows - 1);
    QCOMPARE(form.edURL->text(), QStringLiteral("10.0.0.1/99999"));
    QVERIFY(fixture.Close());
    const std::string text = fixture.SettingsText();
    QVERIFY(text.find(CrLf(names + records)) != std::string::npos);
}

// Values in a Latin-1 code page, as another program or an older version wrote them.
void SettingsWindowTest::bytesThatAreNotUtf8SurviveUnlessEdited()
{
    const std::vector<std::string> mail = {"Subject=Gr\xFC\xDF" "e", "WebUser=m\xFCller",
                                           "WebPass=" + EnDeCrypt("p\xE4ss")};
    const std::vector<std::string> ftp = {"Username=j\xF6rg", "Password=" + EnDeCrypt("geh\xE9im"), "SavePass=1"};
    const std::string log = "Log=/var/log/k\xF6" "de.txt";
    const std::string name = "K\xFC" "che=1";
    auto section = [](const std::string& header, const std::vector<std::string>& lines) {
        std::string text = header + "\n";
        for (const std::string& line : lines)
            text += line + "\n";
        return text;
    };
    TFormFixture fixture;
    fixture.WriteSettings(section("[Mail]", mail) + section("[FTP]", ftp) + "[Local]\n" + log + "\n[Routers]\n" +
                          name + "\n[RoutersData]\n1,10.0.0.1/ip,IP,0=0\n");
    TForm1& form = fixture.Start();
    QCOMPARE(form.edWebMail->text(), QString::fromLatin1("Gr\xFC\xDF" "e"));
    QCOMPARE(form.edWebPass->text(), QString::fromLatin1("p\xE4ss"));
    QCOMPARE(form.Password->text(), QString::fromLatin1("geh\xE9im"));
    QCOMPARE(form.ListBox5->item(0)->text(), QString::fromLatin1("K\xFC" "che"));
    QVERIFY(fixture.Close());
    std::vector<std::string> kept = mail;
    kept.insert(kept.end(), ftp.begin(), ftp.end());
    kept.insert(kept.end(), {log, name});
    for (const std::string& line : kept)
        QVERIFY2(fixture.SettingsText().find(line + "\r\n") != std::string::npos, line.c_str());

    TForm1& again = fixture.Start();
    again.edWebUser->setText(QStringLiteral("Jürgen"));
    QVERIFY(fixture.Close());
    const std::string text = fixture.SettingsText();
    QVERIFY(text.find("WebUser=J\xC3\xBCrgen\r\n") != std::string::npos);
    QVERIFY(text.find(mail[0] + "\r\n") != std::string::npos);
}

// A close killed while saving left a copy of the settings file beside it.
void SettingsWindowTest::startRemovesStaleSettingsTemporaries()
{
    TFormFixture fixture;
    fixture.WriteSettings("[System]\nInterval=45\n");
    const std::string stale = fixture.Folder.Write(".kestrune.ini.a1B2c3", "[FTP]\r\nPassword=\x9E\r\n");
    const std::string other = fixture.Folder.Write(".kestrune.html.a1B2c3", "not ours");
    TForm1& form = fixture.Start();
    QVERIFY(!fs::exists(stale));
    QVERIFY(fs::exists(other));
    QCOMPARE(form.SpinEdit1->Value(), 45);
}

QTEST_MAIN(SettingsWindowTest)
#include "SettingsWindowTest.moc"
