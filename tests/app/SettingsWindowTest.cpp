#include "EnDeCrypt.h"
#include "Ipv6Lookup.h"
#include "SpinBox.h"
#include "WindowFixture.h"
#include "WindowSteps.h"

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

using namespace kestrune::core;

using namespace kestrune::app;

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
    void startMinimizedEnablesItsTimer();
    void readOnlySettingsFileKeepsWindowOpen();
    void closeRemovesHelpFileButNotTheLogsTmpNeighbour();
    void settingsWithoutAControlSurviveRequestsAndClose();
    void hundredThousandLookupsStartAndClose();
    void bytesThatAreNotUtf8SurviveUnlessEdited();
    void startRemovesStaleSettingsTemporaries();
    void unopenedTabsSaveAsOpened_data();
    void unopenedTabsSaveAsOpened();
};

void SettingsWindowTest::uploadedAddressKeysAreOneEntry()
{
    WindowFixture fixture;
    fixture.writeSettings("[FTP]\nUPLoadedIP=1.2.3.4\n");
    MainWindow& form = fixture.start();
    QCOMPARE(lastUploaded(form), QStringLiteral("1.2.3.4"));
    QVERIFY(fixture.close());
    const std::string text = fixture.settingsText();
    QVERIFY(text.find("UpLoadedIP=1.2.3.4\r\n") != std::string::npos);
    QVERIFY(text.find("UPLoadedIP") == std::string::npos);
    QVERIFY(text.find("UserDefined=1\r\n") != std::string::npos);
}

void SettingsWindowTest::passwordsAreStoredScrambled()
{
    WindowFixture fixture;
    {
        MainWindow& form = fixture.start();
        form.mailTab()->passwordEdit()->setText(QStringLiteral("abc"));
        form.ftpTab()->passwordEdit()->setText(QStringLiteral("abc"));
        form.ftpTab()->rememberPasswordCheck()->setChecked(true);
        form.localFilesTab()->commandPasswordEdit()->setText(QStringLiteral("abc"));
        QVERIFY(fixture.close());
    }
    const std::string text = fixture.settingsText();
    QVERIFY(text.find("WebPass=\x9E\x9D\x9C\r\n") != std::string::npos);
    QVERIFY(text.find("Password=\x9E\x9D\x9C\r\n") != std::string::npos);
    QVERIFY(text.find("[Command]\r\nPassword=\x9E\x9D\x9C\r\n") != std::string::npos);
    QVERIFY(text.find("abc") == std::string::npos);
    MainWindow& again = fixture.start();
    QCOMPARE(again.mailTab()->passwordEdit()->text(), QStringLiteral("abc"));
    QCOMPARE(again.ftpTab()->passwordEdit()->text(), QStringLiteral("abc"));
    QCOMPARE(again.localFilesTab()->commandPasswordEdit()->text(), QStringLiteral("abc"));
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
    WindowFixture fixture;
    fixture.writeSettings("[System]\nInterval=" + stored.toStdString() + "\n");
    MainWindow& form = fixture.start();
    QCOMPARE(form.systemTab()->intervalSpin()->text(), shown);
    QCOMPARE(form.systemTab()->intervalLabel()->text(), hoursMinutes);
    QVERIFY(fixture.close());
    QVERIFY(fixture.settingsText().find("Interval=" + shown.toStdString() + "\r\n") != std::string::npos);
}

void SettingsWindowTest::quotedAndPaddedValues()
{
    WindowFixture fixture;
    fixture.writeSettings("[Mail]\nTo=\"  you@example.org  \"\nServer=   smtp.example.org   \nSubject='Hi'\n"
                          "Port=\"2525\"\n[Local]\nLines= 0x10 \n");
    MainWindow& form = fixture.start();
    QCOMPARE(form.mailTab()->toEdit()->text(), QStringLiteral("  you@example.org  "));
    QCOMPARE(form.mailTab()->serverEdit()->text(), QStringLiteral("smtp.example.org"));
    QCOMPARE(form.mailTab()->subjectEdit()->text(), QStringLiteral("Hi"));
    QCOMPARE(form.mailTab()->portEdit()->text(), QStringLiteral("2525"));
    QCOMPARE(form.localFilesTab()->logLinesSpin()->value(), 16);
    QVERIFY(fixture.close());
    MainWindow& again = fixture.start();
    QCOMPARE(again.mailTab()->toEdit()->text(), QStringLiteral("  you@example.org  "));
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
    WindowFixture fixture;
    fixture.writeSettings("[Lookup]\nExternal=" + external.toStdString() + "\nuserDefined=" +
                          userDefined.toStdString() + "\n");
    MainWindow& form = fixture.start();
    QCOMPARE(form.externalServiceTab()->externalRadio()->isChecked(), externalChecked);
    QCOMPARE(form.userLookupsTab()->userDefinedRadio()->isChecked(), userChecked);
    QCOMPARE(form.externalServiceTab()->lookupButton()->isEnabled(), externalChecked);
}

void SettingsWindowTest::everySettingSurvivesCloseAndStart()
{
    const QList<QPair<QString, QString>> texts = {
        {QStringLiteral("mailToEdit"), QStringLiteral("to@example.org")},
        {QStringLiteral("mailServerEdit"), QStringLiteral("smtp.example.org")},
        {QStringLiteral("mailFromEdit"), QStringLiteral("from@example.org")},
        {QStringLiteral("mailSubjectEdit"), QStringLiteral("Änderung")},
        {QStringLiteral("mailUserEdit"), QStringLiteral("mailer")},
        {QStringLiteral("mailPasswordEdit"), QStringLiteral("päss,word")},
        {QStringLiteral("mailPortEdit"), QStringLiteral("465")},
        {QStringLiteral("ftpHostEdit"), QStringLiteral("ftp.example.org")},
        {QStringLiteral("ftpUsernameEdit"), QStringLiteral("uploader")},
        {QStringLiteral("ftpPasswordEdit"), QStringLiteral("secret")},
        {QStringLiteral("templateEdit"), QStringLiteral("/tmp/template.html")},
        {QStringLiteral("remoteFileEdit"), QStringLiteral("index.html")},
        {QStringLiteral("addressFileEdit"), QStringLiteral("/tmp/ip.txt")},
        {QStringLiteral("logFileEdit"), QStringLiteral("/tmp/log.txt")},
        {QStringLiteral("commandEdit"), QStringLiteral("/usr/bin/notify \"new address\" {IP}")},
        {QStringLiteral("stunServersEdit"), QStringLiteral("stun.example.org:3478, 192.0.2.1")},
    };
    // Found by name: each is owned by its tab.
    const QStringList boxes = {"sendMailCheck", "mailLoginCheck", "mailAnyCertificateCheck", "ftpEnableCheck", "rememberPasswordCheck",
                               "saveAddressCheck",
                               "logCheck", "minimizeToTrayCheck", "startMinimizedCheck", "fallbackCheck",
                               "confirmCheck", "routerCheck", "runCommandCheck", "ftpPassiveCheck", "ftpTlsCheck", "ftpAnyCertificateCheck"};
    WindowFixture fixture;
    {
        MainWindow& form = fixture.start();
        buildEveryTab(form);
        form.externalServiceTab()->serviceCombo()->setEditText(QStringLiteral("http://example.invalid/ip"));
        form.externalServiceTab()->externalRadio()->setChecked(true);
        QComboBox* source = form.externalServiceTab()->addressSourceCombo();
        source->setCurrentIndex(source->findData(QStringLiteral("natpmp")));
        for (const QString& box : boxes)
            form.findChild<QCheckBox*>(box)->setChecked(true);
        for (const auto& [edit, text] : texts)
            form.findChild<QLineEdit*>(edit)->setText(text);
        form.monitor().setLastMailed("5.6.7.8");
        form.monitor().setLastUploaded("1.2.3.4");
        form.localFilesTab()->logLinesSpin()->setValue(250);
        form.systemTab()->intervalSpin()->setValue(45);
        QVERIFY(fixture.close());
    }
    MainWindow& form = fixture.start();
    buildEveryTab(form);
    QCOMPARE(form.externalServiceTab()->serviceCombo()->currentText(), QStringLiteral("http://example.invalid/ip"));
    QVERIFY(form.externalServiceTab()->externalRadio()->isChecked());
    QVERIFY(!form.userLookupsTab()->userDefinedRadio()->isChecked());
    QCOMPARE(form.externalServiceTab()->addressSourceCombo()->currentData().toString(), QStringLiteral("natpmp"));
    for (const QString& box : boxes)
        QVERIFY2(form.findChild<QCheckBox*>(box)->isChecked(), qPrintable(box));
    for (const auto& [edit, text] : texts)
        QCOMPARE(form.findChild<QLineEdit*>(edit)->text(), text);
    QCOMPARE(lastMailed(form), QStringLiteral("5.6.7.8"));
    QCOMPARE(lastUploaded(form), QStringLiteral("1.2.3.4"));
    QCOMPARE(form.localFilesTab()->logLinesSpin()->value(), 250);
    QCOMPARE(form.systemTab()->intervalSpin()->value(), 45);
    QVERIFY(!form.systemTab()->autoStartCheck()->isChecked());
    // Filling the FTP fields re-tested the Upload button.
    QVERIFY(form.ftpTab()->uploadButton()->isEnabled());
    QVERIFY(form.externalServiceTab()->lookupButton()->isEnabled());
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
    WindowFixture fixture;
    // The second record carries credentials, a scrambled password ("pw") and the "=" substitute.
    fixture.writeSettings("[Router]\nSelectedRouter=" + std::to_string(code) +
                          "\n[Routers]\nFirst=1\nSecond=1\n[RoutersData]\n1,192.168.1.1/a.htm,WAN:,3=0\n"
                          "2,10.0.0.138/status,IP\xA7,2,admin,\x8F\x88=1\n");
    MainWindow& form = fixture.start();
    QCOMPARE(form.userLookupsTab()->userLookupList()->count(), 2);
    QCOMPARE(form.userLookupsTab()->userLookupList()->item(1)->text(), QStringLiteral("Second"));
    QCOMPARE(form.externalServiceTab()->userRecordsList()->count(), 2);
    QCOMPARE(form.externalServiceTab()->userRecordsList()->item(0)->checkState(), Qt::Unchecked);
    QCOMPARE(form.externalServiceTab()->userRecordsList()->item(1)->checkState(), Qt::Checked);
    QCOMPARE(form.userLookupsTab()->userLookupList()->currentRow(), userRow);
    QCOMPARE(form.userLookupsTab()->presetList()->currentRow(), presetRow);
    QCOMPARE(form.userLookupsTab()->urlEdit()->text(), url);
    if (userRow == 1) {
        QCOMPARE(form.pageInspectorTab()->keywordEdit()->text(), QStringLiteral("IP="));
        QCOMPARE(form.pageInspectorTab()->skipEdit()->text(), QStringLiteral("2"));
        QVERIFY(form.userLookupsTab()->pageAuthCheck()->isChecked());
        QCOMPARE(form.userLookupsTab()->pageUsernameEdit()->text(), QStringLiteral("admin"));
        QCOMPARE(form.userLookupsTab()->pagePasswordEdit()->text(), QStringLiteral("pw"));
        QCOMPARE(form.userLookupsTab()->entryNameLabel()->text(), QStringLiteral("Second"));
        QVERIFY(form.userLookupsTab()->removeButton()->isEnabled());
    }
    if (presetRow >= 0) {
        QVERIFY(!form.userLookupsTab()->removeButton()->isEnabled());
        QVERIFY(!form.userLookupsTab()->applyButton()->isEnabled());
        QCOMPARE(form.userLookupsTab()->entryNameLabel()->text(), QStringLiteral("Mentor MR4A/UK"));
    }
    QCOMPARE(form.selectionCode(), codeAtClose);
    QVERIFY(fixture.close());
    const std::string text = fixture.settingsText();
    QVERIFY(text.find("SelectedRouter=" + std::to_string(codeAtClose) + "\r\n") != std::string::npos);
    QVERIFY(text.find("2,10.0.0.138/status,IP\xA7,2,admin,\x8F\x88=1\r\n") != std::string::npos);
    QVERIFY(text.find("[Routers]\r\nFirst=1\r\nSecond=1\r\n") != std::string::npos);
}

void SettingsWindowTest::manualIntervalLoadsManualDisplays()
{
    WindowFixture fixture;
    fixture.writeSettings("[System]\nInterval=0\n");
    MainWindow& form = fixture.start();
    QCOMPARE(form.systemTab()->countdownLabel()->text(), QStringLiteral("Manual"));
    QCOMPARE(shownCaption(form.systemTab()->startButton()->text()), QStringLiteral("Update"));
    QVERIFY(!form.systemTab()->countdownCaption()->isEnabled());
    QCOMPARE(shownCaption(form.systemTab()->autoStartCheck()->text()), QStringLiteral("Check once at startup"));
    QCOMPARE(form.systemTab()->intervalLabel()->text(), QStringLiteral("0 hr : 0 min"));
}

void SettingsWindowTest::startMinimizedEnablesItsTimer()
{
    WindowFixture fixture;
    fixture.writeSettings("[System]\nStartMinimized=1\n");
    MainWindow& form = fixture.start();
    QVERIFY(form.systemTab()->startMinimizedCheck()->isChecked());
    QVERIFY(form.startMinimizedTimer()->isActive());
    QCOMPARE(form.startMinimizedTimer()->interval(), 20);
}

void SettingsWindowTest::readOnlySettingsFileKeepsWindowOpen()
{
    WindowFixture fixture;
    fixture.writeSettings("[System]\nInterval=45\n");
    MainWindow& form = fixture.start();
    form.show();
    const std::string help = fixture.folder.Write("kestrune.html", "<html></html>");
    fs::permissions(fixture.settingsPath(), fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    form.systemTab()->intervalSpin()->setValue(90);

    QVERIFY(!form.close());
    QVERIFY(form.isVisible());
    const QStringList errors = fixture.dialogs.errors();
    QCOMPARE(errors.size(), 1);
    QVERIFY2(errors[0].contains(QString::fromStdString(fixture.settingsPath())), qPrintable(errors[0]));
    QVERIFY(fs::exists(help));
    QVERIFY(fixture.settingsText().find("Interval=45") != std::string::npos);

    fs::permissions(fixture.settingsPath(), fs::perms::owner_read | fs::perms::owner_write);
    QVERIFY(form.close());
    QVERIFY(!fs::exists(help));
    QVERIFY(fixture.settingsText().find("Interval=90\r\n") != std::string::npos);
}

void SettingsWindowTest::closeRemovesHelpFileButNotTheLogsTmpNeighbour()
{
    WindowFixture fixture;
    MainWindow& form = fixture.start();
    const std::string logTemp = fixture.folder.Write("history", "");  // a log name without extension
    const std::string withTmp = fixture.folder.Write("history.tmp", "pending");
    const std::string help = fixture.folder.Write("kestrune.html", "<html></html>");
    const std::string unrelated = fixture.folder.Write("kestrune.tmp", "upload file stays");
    form.localFilesTab()->logFileEdit()->setText(QString::fromStdString(logTemp));
    QVERIFY(fixture.close());
    // The log's temporary files have unpredictable names; one named like the log with ".tmp" is the user's.
    QVERIFY(fs::exists(withTmp));
    QVERIFY(!fs::exists(help));
    QVERIFY(fs::exists(logTemp));
    QVERIFY(fs::exists(unrelated));
    QVERIFY(fs::status(fixture.settingsPath()).permissions() ==
            (fs::perms::owner_read | fs::perms::owner_write));
}

// The command and the dynamic-DNS entries have no control yet: what the monitor holds goes back to the file.
void SettingsWindowTest::settingsWithoutAControlSurviveRequestsAndClose()
{
    WindowFixture fixture;
    fixture.writeSettings("[Local]\nRunCommand=1\nCommand=/bin/true {IP}\nCommandIP=10.0.0.1\n"
                          "[DNSUpdate]\nCount=1\nEnabled1=1\nProvider1=duckdns\nHosts1=home\nLastIP1=10.0.0.2\n");
    MainWindow& form = fixture.start();
    // A request hands the tabs' settings to the monitor.
    leaveIntervalBox(form);
    QVERIFY(fixture.close());
    const std::string text = fixture.settingsText();
    for (const char* line : {"RunCommand=1", "Command=/bin/true {IP}", "CommandIP=10.0.0.1", "Provider1=duckdns",
                             "Hosts1=home", "LastIP1=10.0.0.2"})
        QVERIFY2(text.find(std::string(line) + "\r\n") != std::string::npos, line);
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
    WindowFixture fixture;
    fixture.writeSettings("[Router]\nSelectedRouter=" + std::to_string(1000 + kRows - 1) + "\n" + names + records);
    MainWindow& form = fixture.start();
    QCOMPARE(form.userLookupsTab()->userLookupList()->count(), kRows);
    QCOMPARE(form.externalServiceTab()->userRecordsList()->count(), kRows);
    QCOMPARE(form.userLookupsTab()->userLookupList()->currentRow(), kRows - 1);
    QCOMPARE(form.userLookupsTab()->urlEdit()->text(), QStringLiteral("10.0.0.1/99999"));
    QVERIFY(fixture.close());
    const std::string text = fixture.settingsText();
    QVERIFY(text.find(crLf(names + records)) != std::string::npos);
}

// Values in a Latin-1 code page, as another program or an older version wrote them.
void SettingsWindowTest::bytesThatAreNotUtf8SurviveUnlessEdited()
{
    const std::vector<std::string> mail = {"Subject=Gr\xFC\xDF" "e", "WebUser=m\xFCller",
                                           "WebPass=" + enDeCrypt("p\xE4ss")};
    const std::vector<std::string> ftp = {"Username=j\xF6rg", "Password=" + enDeCrypt("geh\xE9im"), "SavePass=1"};
    const std::string log = "Log=/var/log/k\xF6" "de.txt";
    const std::string name = "K\xFC" "che=1";
    auto section = [](const std::string& header, const std::vector<std::string>& lines) {
        std::string text = header + "\n";
        for (const std::string& line : lines)
            text += line + "\n";
        return text;
    };
    WindowFixture fixture;
    fixture.writeSettings(section("[Mail]", mail) + section("[FTP]", ftp) + "[Local]\n" + log + "\n[Routers]\n" +
                          name + "\n[RoutersData]\n1,10.0.0.1/ip,IP,0=0\n");
    MainWindow& form = fixture.start();
    QCOMPARE(form.mailTab()->subjectEdit()->text(), QString::fromLatin1("Gr\xFC\xDF" "e"));
    QCOMPARE(form.mailTab()->passwordEdit()->text(), QString::fromLatin1("p\xE4ss"));
    QCOMPARE(form.ftpTab()->passwordEdit()->text(), QString::fromLatin1("geh\xE9im"));
    QCOMPARE(form.userLookupsTab()->userLookupList()->item(0)->text(), QString::fromLatin1("K\xFC" "che"));
    QVERIFY(fixture.close());
    std::vector<std::string> kept = mail;
    kept.insert(kept.end(), ftp.begin(), ftp.end());
    kept.insert(kept.end(), {log, name});
    for (const std::string& line : kept)
        QVERIFY2(fixture.settingsText().find(line + "\r\n") != std::string::npos, line.c_str());

    MainWindow& again = fixture.start();
    again.mailTab()->userEdit()->setText(QStringLiteral("Jürgen"));
    QVERIFY(fixture.close());
    const std::string text = fixture.settingsText();
    QVERIFY(text.find("WebUser=J\xC3\xBCrgen\r\n") != std::string::npos);
    QVERIFY(text.find(mail[0] + "\r\n") != std::string::npos);
}

// A close killed while saving left a copy of the settings file beside it.
void SettingsWindowTest::startRemovesStaleSettingsTemporaries()
{
    WindowFixture fixture;
    fixture.writeSettings("[System]\nInterval=45\n");
    const std::string stale = fixture.folder.Write(".kestrune.ini.a1B2c3", "[FTP]\r\nPassword=\x9E\r\n");
    const std::string other = fixture.folder.Write(".kestrune.html.a1B2c3", "not ours");
    MainWindow& form = fixture.start();
    QVERIFY(!fs::exists(stale));
    QVERIFY(fs::exists(other));
    QCOMPARE(form.systemTab()->intervalSpin()->value(), 45);
}

// A tab the user never opened writes back what it would have written opened, odd values included.
void SettingsWindowTest::unopenedTabsSaveAsOpened_data()
{
    QTest::addColumn<QByteArray>("lines");
    QTest::newRow("SSL and STARTTLS both on") << QByteArray("[Mail]\nSSL=1\nStartTLS=1\nTo=a@example.org\n");
    QTest::newRow("unknown IPv6 source") << QByteArray("[IPv6]\nSource=radio\nSuffix=::1\n");
    QTest::newRow("first IPv6 service by name")
        << "[IPv6]\nService=" + QByteArray::fromStdString(std::string(kestrune::lookup::kIpv6Services[0].url)) + "\n";
    QTest::newRow("negative log size, bytes that are not UTF-8") << QByteArray("[Local]\nLines=-7\nCommand=\xe9t\xe9\n");
    QTest::newRow("FTP fields") << QByteArray("[FTP]\nHost=ftp.example.org\nPassive=1\n");
}

void SettingsWindowTest::unopenedTabsSaveAsOpened()
{
    QFETCH(QByteArray, lines);
    WindowFixture fixture;
    const auto saved = [&](bool opened) {
        fixture.writeSettings(lines.toStdString());
        MainWindow& form = fixture.start();
        if (opened)
            buildEveryTab(form);
        form.saveSettings();
        return fixture.settingsText();
    };
    const std::string unopened = saved(false);
    QCOMPARE(unopened, saved(true));
}

QTEST_MAIN(SettingsWindowTest)
#include "SettingsWindowTest.moc"
