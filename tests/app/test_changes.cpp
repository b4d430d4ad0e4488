// The change handler and the local files through the window, against a real page (nginx), FTP and SMTP server.
#include "ActionTestHelpers.h"
#include "FormFixture.h"
#include "FormSteps.h"
#include "FtpServer.h"
#include "LocalPage.h"
#include "SmtpServer.h"
#include "SpinEdit.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTimer>
#include <QtTest>
#include <memory>
#include <sys/stat.h>

namespace {

std::string Page(const std::string& address) { return "<html><body>WAN IP: " + address + " Mask</body></html>"; }

// The local files of one window, in the window's own folder.
struct TLocalFiles {
    explicit TLocalFiles(TFormFixture& fixture)
        : IpFile(fixture.Folder.File("ip.txt")), LogFile(fixture.Folder.File("ip.log"))
    {
    }
    void Enable(TForm1& form, bool ipFile, bool log) const
    {
        form.cbSaveIP->setChecked(ipFile);
        form.edSaveIP->setText(QString::fromStdString(IpFile));
        form.cbLog->setChecked(log);
        form.edLog->setText(QString::fromStdString(LogFile));
    }
    std::string IpFile;
    std::string LogFile;
};


// A window whose upload goes to a local FTP server ("up"/"pw") from a template in its folder, with the IP file
// and the log on and, when asked, mail to a local SMTP server.
struct TUploadRig {
    TUploadRig(const std::string& templateText, bool withMail, const QString& password = QStringLiteral("pw"))
        : ftp("up", "pw"), form(fixture.Start()), files(fixture)
    {
        FillFtpTab(form, ftp, QStringLiteral("up"), password, fixture.Folder.Write("t.txt", templateText),
                   QStringLiteral("ip.txt"));
        form.cbFTP->setChecked(true);
        if (withMail) {
            smtp = std::make_unique<TSmtpServer>(TSmtpServer::TOptions{});
            FillMailTab(form, *smtp);
        }
        files.Enable(form, true, true);
    }
    TFtpServer ftp;
    std::unique_ptr<TSmtpServer> smtp;
    TFormFixture fixture;
    TForm1& form;
    const TLocalFiles files;
};

} // namespace

class ChangesTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }
    void scheduledChecksRunEveryActionOncePerNewAddress();
    void sameAddressTwiceActsOnce_data();
    void sameAddressTwiceActsOnce();
    void manualUploadTouchesOnlyTheUpload();
    void placeholderDoesNothing_data();
    void placeholderDoesNothing();
    void failedUploadCarriesErrorAndIsRetried();
    void readOnlyLogReachesErrorReportAndSchedulerGoesOn();
    void tmpLogIsAnOrdinaryLog();
    void failedLogAfterMailLeavesTheRestToRun();
    void uploadFailuresLeaveOnlyError_data();
    void uploadFailuresLeaveOnlyError();
    void displayTextIsUploadedAsItIs_data();
    void displayTextIsUploadedAsItIs();
    void silentFtpServerCannotHoldTheCheck();
    void uploadButtonFollowsTheFiveFields();
    void runsArrivingDuringAnUploadAreRefusedOrDeferred();
    void ipFileTestButtonWritesRegardlessOfTheBox();
    void logUsesTheLocaleNames();
    void logSizeSteps_data();
    void logSizeSteps();
    void fileDialogPresets_data();
    void fileDialogPresets();
};

void ChangesTest::scheduledChecksRunEveryActionOncePerNewAddress()
{
    TLocalPage page(Page("10.1.2.3"));
    TFtpServer ftp("up", "pw");
    TSmtpServer smtp({});
    TFormFixture fixture;
    TForm1& form = fixture.Start();
    const TLocalFiles files(fixture);
    const std::string templ = fixture.Folder.Write("page.html", "<a href=\"http://{IP}/\">{ip}</a>\n");
    UseUserDefinedPage(form, page.Address());
    FillFtpTab(form, ftp, QStringLiteral("up"), QStringLiteral("pw"), templ, QStringLiteral("site\\ip.html"));
    form.cbFTP->setChecked(true);
    FillMailTab(form, smtp);
    files.Enable(form, true, true);
    form.SpinEdit1->SetValue(2);

    form.Guarded([&] { form.btnStartClick(form.btnStart); });
    QCOMPARE(fixture.Dialogs.Errors(), QStringList());
    QCOMPARE(ftp.ReadStored("ip.html"), std::string("<a href=\"http://10.1.2.3/\">10.1.2.3</a>\r\n"));
    QCOMPARE(FileBytes(form.Paths.UploadFile.string()), ftp.ReadStored("ip.html"));
    QCOMPARE(form.LastUploadedIP, QStringLiteral("10.1.2.3"));
    QCOMPARE(FileBytes(files.IpFile), std::string("10.1.2.3"));
    QCOMPARE(CrLfLines(files.LogFile).size(), 1);
    QCOMPARE(smtp.Stored().size(), 1u);
    QCOMPARE(BodyLines(smtp.Stored()[0].Data).value(2), QStringLiteral("10.1.2.3"));
    QCOMPARE(form.StatusBar1->currentMessage(), QString());
    QVERIFY(!form.FTPConnected);

    // The same address at the next check reaches no action.
    Ticks(form, 2);
    QCOMPARE(page.Requests(), 2);
    QCOMPARE(smtp.Stored().size(), 1u);
    QCOMPARE(CrLfLines(files.LogFile).size(), 1);

    page.SetBody(Page("10.1.2.4"));
    Ticks(form, 2);
    QCOMPARE(page.Requests(), 3);
    QCOMPARE(ftp.ReadStored("ip.html"), std::string("<a href=\"http://10.1.2.4/\">10.1.2.4</a>\r\n"));
    QCOMPARE(FileBytes(files.IpFile), std::string("10.1.2.4"));
    const QStringList log = CrLfLines(files.LogFile);
    QCOMPARE(log.size(), 2);
    QCOMPARE(LoggedAddress(log[0]), QStringLiteral("10.1.2.4"));
    QCOMPARE(LoggedAddress(log[1]), QStringLiteral("10.1.2.3"));
    QCOMPARE(smtp.Stored().size(), 2u);
    QCOMPARE(BodyLines(smtp.Stored()[1].Data).value(2), QStringLiteral("10.1.2.4"));
    QCOMPARE(form.Countdown, 2);
}

void ChangesTest::sameAddressTwiceActsOnce_data()
{
    QTest::addColumn<bool>("ftpOn");
    QTest::addColumn<bool>("mailOn");
    QTest::addColumn<int>("mails");
    QTest::addColumn<int>("logLines");
    // With FTP on the change handler logs; with it off each mail attempt does, and without mail nothing does.
    QTest::newRow("ftp and mail") << true << true << 2 << 2;
    QTest::newRow("ftp only") << true << false << 0 << 2;
    QTest::newRow("mail only") << false << true << 2 << 2;
    QTest::newRow("neither") << false << false << 0 << 0;
}

void ChangesTest::sameAddressTwiceActsOnce()
{
    QFETCH(bool, ftpOn);
    QFETCH(bool, mailOn);
    QFETCH(int, mails);
    QFETCH(int, logLines);
    TUploadRig rig("{IP}", true);
    TForm1& form = rig.form;
    const TLocalFiles& files = rig.files;
    form.cbFTP->setChecked(ftpOn);
    form.cbWebMail->setChecked(mailOn);

    const struct {
        const char* Address;
        const char* IpFile; // after the call; the file is removed before it
    } runs[] = {{"203.0.113.7", "203.0.113.7"}, {"203.0.113.7", ""}, {"203.0.113.8", "203.0.113.8"}};
    for (const auto& run : runs) {
        form.Panel1->setText(QString::fromLatin1(run.Address));
        std::remove(files.IpFile.c_str());
        form.btnFTPClick(&form);
        QCOMPARE(FileBytes(files.IpFile), std::string(run.IpFile));
    }
    QCOMPARE(int(rig.smtp->Stored().size()), mails);
    QCOMPARE(CrLfLines(files.LogFile).size(), logLines);
    QCOMPARE(form.LastSavedIP, QStringLiteral("203.0.113.8"));
    QCOMPARE(form.LastMailedIP, mailOn ? QStringLiteral("203.0.113.8") : QString());
    QCOMPARE(form.LastUploadedIP, ftpOn ? QStringLiteral("203.0.113.8") : QString());
}

void ChangesTest::manualUploadTouchesOnlyTheUpload()
{
    TUploadRig rig("ip={IP}", true);
    TForm1& form = rig.form;
    const TLocalFiles& files = rig.files;
    form.cbFTP->setChecked(false);
    form.LastMailedIP = QStringLiteral("old");
    form.Panel1->setText(QStringLiteral("203.0.113.7"));
    form.Countdown = 77;

    form.btnFTP->click();
    QCOMPARE(rig.fixture.Dialogs.Errors(), QStringList());
    QCOMPARE(rig.ftp.ReadStored("ip.txt"), std::string("ip=203.0.113.7\r\n"));
    QCOMPARE(form.LastUploadedIP, QStringLiteral("203.0.113.7"));
    QCOMPARE(form.LastMailedIP, QStringLiteral("old"));
    QCOMPARE(form.LastSavedIP, QString());
    QCOMPARE(form.LastLoggedIP, QString());
    QCOMPARE(rig.smtp->Stored().size(), 0u);
    QVERIFY(!std::filesystem::exists(files.IpFile));
    QVERIFY(!std::filesystem::exists(files.LogFile));
    QCOMPARE(form.Countdown, form.SpinEdit1->Value());
}

void ChangesTest::placeholderDoesNothing_data()
{
    QTest::addColumn<bool>("manual");
    QTest::newRow("scheduled") << false;
    QTest::newRow("Upload button") << true;
}

void ChangesTest::placeholderDoesNothing()
{
    QFETCH(bool, manual);
    TUploadRig rig("{IP}", true);
    TForm1& form = rig.form;
    const TLocalFiles& files = rig.files;
    form.Panel1->setText(QStringLiteral("---.---.---.---"));
    form.Countdown = 77;
    form.StatusBar1->showMessage(QStringLiteral("kept"));

    form.btnFTPClick(manual ? static_cast<QObject*>(form.btnFTP) : &form);
    QVERIFY(std::filesystem::is_empty(rig.ftp.Root()));
    QCOMPARE(rig.smtp->Stored().size(), 0u);
    QVERIFY(!std::filesystem::exists(files.IpFile));
    QVERIFY(!std::filesystem::exists(files.LogFile));
    QCOMPARE(form.Countdown, 77);
    QCOMPARE(form.StatusBar1->currentMessage(), QStringLiteral("kept"));
    QCOMPARE(form.LastUploadedIP, QString());
}

void ChangesTest::failedUploadCarriesErrorAndIsRetried()
{
    TLocalPage page(Page("10.1.2.3"));
    TUploadRig rig("{IP}", true, QStringLiteral("wrong"));
    TForm1& form = rig.form;
    const TLocalFiles& files = rig.files;
    TSmtpServer& smtp = *rig.smtp;
    UseUserDefinedPage(form, page.Address());
    form.SpinEdit1->SetValue(2);

    form.Guarded([&] { form.btnStartClick(form.btnStart); });
    QCOMPARE(form.Panel1->text(), QStringLiteral("Error"));
    QCOMPARE(form.LastUploadedIP, QString());
    QCOMPARE(FileBytes(files.IpFile), std::string("Error"));
    QCOMPARE(LoggedAddress(CrLfLines(files.LogFile).value(0)), QStringLiteral("Error"));
    QCOMPARE(BodyLines(smtp.Stored().at(0).Data).value(2), QStringLiteral("Error"));

    form.Password->setText(QStringLiteral("pw"));
    Ticks(form, 2);
    QCOMPARE(form.Panel1->text(), QStringLiteral("10.1.2.3"));
    QCOMPARE(rig.ftp.ReadStored("ip.txt"), std::string("10.1.2.3\r\n"));
    QCOMPARE(form.LastUploadedIP, QStringLiteral("10.1.2.3"));
    QCOMPARE(FileBytes(files.IpFile), std::string("10.1.2.3"));
    QCOMPARE(CrLfLines(files.LogFile).size(), 2);
    QCOMPARE(smtp.Stored().size(), 2u);
}

void ChangesTest::readOnlyLogReachesErrorReportAndSchedulerGoesOn()
{
    TLocalPage page(Page("10.1.2.3"));
    TUploadRig rig("{IP}", false);
    TForm1& form = rig.form;
    TFormFixture& fixture = rig.fixture;
    const TLocalFiles& files = rig.files;
    UseUserDefinedPage(form, page.Address());
    form.SpinEdit1->SetValue(2);
    form.Guarded([&] { form.btnStartClick(form.btnStart); });
    const std::string logged = FileBytes(files.LogFile);
    QCOMPARE(CrLfLines(files.LogFile).size(), 1);

    ::chmod(files.LogFile.c_str(), 0444);
    page.SetBody(Page("10.1.2.4"));
    Ticks(form, 2);
    QCOMPARE(fixture.Dialogs.Errors().size(), 1);
    QVERIFY2(fixture.Dialogs.Errors()[0].contains(QString::fromStdString(files.LogFile)),
             qPrintable(fixture.Dialogs.Errors()[0]));
    QCOMPARE(FileBytes(files.LogFile), logged);
    QCOMPARE(FileBytes(files.IpFile), std::string("10.1.2.4"));
    QCOMPARE(form.Countdown, 2);
    QVERIFY(form.Timer1->isActive());

    ::chmod(files.LogFile.c_str(), 0644);
    page.SetBody(Page("10.1.2.5"));
    Ticks(form, 2);
    QCOMPARE(page.Requests(), 3);
    const QStringList log = CrLfLines(files.LogFile);
    QCOMPARE(log.size(), 2);
    QCOMPARE(LoggedAddress(log[0]), QStringLiteral("10.1.2.5"));
    QCOMPARE(log[1] + QStringLiteral("\r\n"), QString::fromStdString(logged));
    QCOMPARE(fixture.Dialogs.Errors().size(), 1);
}

void ChangesTest::tmpLogIsAnOrdinaryLog()
{
    TFormFixture fixture;
    TForm1& form = fixture.Start();
    const std::string old = "Mon 01 Jan 2024   00:00:00      10.0.0.1\r\n";
    const std::string log = fixture.Folder.Write("ip.tmp", old);
    const std::string ipFile = fixture.Folder.File("ip.txt");
    // An upload that fails at once: the later steps then carry "Error".
    form.cbFTP->setChecked(true);
    form.RemoteHost->setText(QStringLiteral("127.0.0.1"));
    form.NetFTP1.Port = PortNumberOf(RefusingAddress());
    form.cbLog->setChecked(true);
    form.edLog->setText(QString::fromStdString(log));
    form.cbSaveIP->setChecked(true);
    form.edSaveIP->setText(QString::fromStdString(ipFile));
    form.Panel1->setText(QStringLiteral("203.0.113.7"));

    form.Guarded([&] { form.btnFTPClick(&form); });
    QVERIFY2(fixture.Dialogs.Errors().isEmpty(), qPrintable(fixture.Dialogs.Errors().join(QLatin1Char('\n'))));
    QCOMPARE(FileBytes(ipFile), std::string("Error"));
    const QStringList lines = CrLfLines(log);
    QCOMPARE(lines.size(), 2);
    QCOMPARE(LoggedAddress(lines[0]), QStringLiteral("Error"));
    QCOMPARE(lines[1] + QStringLiteral("\r\n"), QString::fromStdString(old));
    // Nor does the clean-up at close take it for a leftover temporary file.
    QVERIFY(fixture.Close());
    QCOMPARE(CrLfLines(log).size(), 2);
}

// Without FTP the log entry follows the mail, ahead of the IP file and the countdown reset.
void ChangesTest::failedLogAfterMailLeavesTheRestToRun()
{
    TFormFixture fixture;
    TForm1& form = fixture.Start();
    const TLocalFiles files(fixture);
    files.Enable(form, true, true);
    fixture.Folder.Write("ip.log", "");
    ::chmod(files.LogFile.c_str(), 0444);
    form.cbWebMail->setChecked(true);
    form.edWebTo->setText(QStringLiteral("a@example.com"));
    form.edWebFrom->setText(QStringLiteral("b@example.com"));
    form.edWebSMTP->setText(QStringLiteral("127.0.0.1"));
    form.edPort->setText(PortOf(RefusingAddress()));
    form.Panel1->setText(QStringLiteral("203.0.113.7"));
    form.Countdown = 77;

    form.Guarded([&] { form.btnFTPClick(&form); });
    QCOMPARE(fixture.Dialogs.Errors().size(), 1);
    QVERIFY2(fixture.Dialogs.Errors()[0].contains(QString::fromStdString(files.LogFile)),
             qPrintable(fixture.Dialogs.Errors()[0]));
    QCOMPARE(FileBytes(files.IpFile), std::string("203.0.113.7"));
    QCOMPARE(FileBytes(files.LogFile), std::string());
    QCOMPARE(form.Countdown, form.SpinEdit1->Value());
}

void ChangesTest::uploadFailuresLeaveOnlyError_data()
{
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("templateExists");
    QTest::addColumn<bool>("refusingPort");
    QTest::newRow("wrong password") << "up" << "wrong" << true << false;
    QTest::newRow("missing template, found after login") << "up" << "pw" << false << false;
    QTest::newRow("store refused") << "reader" << "rd" << true << false;
    QTest::newRow("connection refused") << "up" << "pw" << true << true;
}

void ChangesTest::uploadFailuresLeaveOnlyError()
{
    QFETCH(QString, user);
    QFETCH(QString, password);
    QFETCH(bool, templateExists);
    QFETCH(bool, refusingPort);
    TFtpServer ftp("up", "pw", "reader", "rd");
    TFormFixture fixture;
    TForm1& form = fixture.Start();
    const std::string templ =
        templateExists ? fixture.Folder.Write("t.txt", "{IP}") : fixture.Folder.File("missing.txt");
    FillFtpTab(form, ftp, user, password, templ, QStringLiteral("ip.txt"));
    if (refusingPort)
        form.NetFTP1.Port = PortNumberOf(RefusingAddress());
    form.LastUploadedIP = QStringLiteral("old");
    form.Panel1->setText(QStringLiteral("203.0.113.7"));
    form.Countdown = 77;

    form.btnFTP->click();
    QCOMPARE(form.Panel1->text(), QStringLiteral("Error"));
    QCOMPARE(form.LastUploadedIP, QStringLiteral("old"));
    QCOMPARE(form.StatusBar1->currentMessage(), QString());
    QCOMPARE(fixture.Dialogs.Shown.size(), 0);
    QVERIFY(!form.FTPConnected);
    QVERIFY(!form.NetFTP1.Connected());
    QVERIFY(!std::filesystem::exists(ftp.Root() / "ip.txt"));
    QCOMPARE(form.Countdown, form.SpinEdit1->Value());
}

void ChangesTest::displayTextIsUploadedAsItIs_data()
{
    QTest::addColumn<QString>("display");
    QTest::newRow("after a failed upload") << "Error";
    QTest::newRow("after a failed external lookup") << "";
}

void ChangesTest::displayTextIsUploadedAsItIs()
{
    QFETCH(QString, display);
    TLocalPage page(Page("10.1.2.3"));
    TUploadRig rig("[{Ip}]", false);
    TForm1& form = rig.form;
    const TLocalFiles& files = rig.files;
    TFtpServer& ftp = rig.ftp;
    UseUserDefinedPage(form, page.Address());
    form.Panel1->setText(display);

    form.btnFTP->click();
    QCOMPARE(ftp.ReadStored("ip.txt"), "[" + display.toStdString() + "]\r\n");
    QCOMPARE(form.LastUploadedIP, display);
    QVERIFY(!std::filesystem::exists(files.IpFile));

    // The next check finds a different address and runs every enabled action with it.
    form.SpinEdit1->SetValue(2);
    form.Countdown = 1;
    Ticks(form, 1);
    QCOMPARE(ftp.ReadStored("ip.txt"), std::string("[10.1.2.3]\r\n"));
    QCOMPARE(form.LastUploadedIP, QStringLiteral("10.1.2.3"));
    QCOMPARE(FileBytes(files.IpFile), std::string("10.1.2.3"));
    QCOMPARE(LoggedAddress(CrLfLines(files.LogFile).value(0)), QStringLiteral("10.1.2.3"));
}

void ChangesTest::silentFtpServerCannotHoldTheCheck()
{
    TLocalPage page(Page("10.1.2.3"));
    TSilentServer silent;
    TFormFixture fixture;
    TForm1& form = fixture.Start();
    const TLocalFiles files(fixture);
    UseUserDefinedPage(form, page.Address());
    form.cbFTP->setChecked(true);
    form.RemoteHost->setText(QStringLiteral("127.0.0.1"));
    form.NetFTP1.Port = PortNumberOf(silent.Address());
    form.NetFTP1.ReadTimeout = 300; // the window's bound, shortened for the test
    files.Enable(form, true, false);
    form.SpinEdit1->SetValue(2);
    form.Countdown = 1;

    QElapsedTimer clock;
    clock.start();
    form.Guarded([&] { form.Timer1Timer(); });
    QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(form.Panel1->text(), QStringLiteral("Error"));
    QCOMPARE(FileBytes(files.IpFile), std::string("Error"));
    QCOMPARE(form.StatusBar1->currentMessage(), QString());
    QCOMPARE(fixture.Dialogs.Shown.size(), 0);
    QVERIFY(!form.CheckRunning() && !form.ChangeRunning());
    QCOMPARE(form.Countdown, 2);
}

void ChangesTest::uploadButtonFollowsTheFiveFields()
{
    TFormFixture fixture;
    TForm1& form = fixture.Start();
    QLineEdit* const fields[] = {form.RemoteHost, form.Username, form.Password, form.edLocalFile, form.edRemote};
    for (QLineEdit* field : fields)
        field->setText(QStringLiteral("x"));
    QVERIFY(form.btnFTP->isEnabled());
    for (QLineEdit* field : fields) {
        field->clear();
        QVERIFY2(!form.btnFTP->isEnabled(), qPrintable(field->objectName()));
        field->setText(QStringLiteral("/no/such/template.htm"));
        QVERIFY2(form.btnFTP->isEnabled(), qPrintable(field->objectName()));
    }
}

void ChangesTest::runsArrivingDuringAnUploadAreRefusedOrDeferred()
{
    TLocalPage page(Page("10.1.2.3"));
    TSilentServer silent;
    TFormFixture fixture;
    TForm1& form = fixture.Start();
    UseUserDefinedPage(form, page.Address());
    form.RemoteHost->setText(QStringLiteral("127.0.0.1"));
    form.Username->setText(QStringLiteral("up"));
    form.Password->setText(QStringLiteral("pw"));
    form.edLocalFile->setText(QString::fromStdString(fixture.Folder.Write("t.txt", "{IP}")));
    form.edRemote->setText(QStringLiteral("ip.txt"));
    form.NetFTP1.Port = PortNumberOf(silent.Address());
    form.Panel1->setText(QStringLiteral("203.0.113.7"));
    form.Countdown = 1;

    int released = -1;
    QString statusWhileWaiting;
    QTimer::singleShot(100, &form, [&] {
        statusWhileWaiting = form.StatusBar1->currentMessage();
        form.btnFTPClick(form.btnFTP);  // a second press of Upload
        form.btnFTPClick(&form);        // a change reported by a check
        form.btnStartClick(form.btnStart);
        form.Timer1Timer();             // the countdown runs out meanwhile
        released = silent.Release();
    });
    form.btnFTP->click();

    QCOMPARE(released, 1);
    QCOMPARE(fixture.Dialogs.Beeps, 3);
    QCOMPARE(statusWhileWaiting, QStringLiteral("Connected to 127.0.0.1."));
    QCOMPARE(page.Requests(), 0);
    QCOMPARE(form.Countdown, form.SpinEdit1->Value());
    QCOMPARE(form.Panel1->text(), QStringLiteral("Error"));
    QVERIFY(!form.ChangeRunning());
    QVERIFY(!form.CheckRunning());
}

void ChangesTest::ipFileTestButtonWritesRegardlessOfTheBox()
{
    TFormFixture fixture;
    TForm1& form = fixture.Start();
    const TLocalFiles files(fixture);
    files.Enable(form, false, false);
    form.Panel1->setText(QStringLiteral("203.0.113.7"));
    form.WriteDataFile(&form);
    QVERIFY(!std::filesystem::exists(files.IpFile));
    form.btnLocalTest->click();
    QCOMPARE(FileBytes(files.IpFile), std::string("203.0.113.7"));
    QCOMPARE(fixture.Dialogs.Shown.size(), 0);
}

void ChangesTest::logUsesTheLocaleNames()
{
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    TFormFixture fixture;
    TForm1& form = fixture.Start();
    const TLocalFiles files(fixture);
    files.Enable(form, false, true);
    form.Panel1->setText(QStringLiteral("203.0.113.7"));
    const QDateTime before = QDateTime::currentDateTime();
    form.WriteLog();
    QLocale::setDefault(saved);

    const QString line = CrLfLines(files.LogFile).value(0);
    const QLocale german(QLocale::German, QLocale::Germany);
    const QDate day = before.date();
    const QString expectedStart = german.dayName(day.dayOfWeek(), QLocale::ShortFormat) + QLatin1Char(' ') +
                                  day.toString(QStringLiteral("dd")) + QLatin1Char(' ') +
                                  german.monthName(day.month(), QLocale::ShortFormat) + QLatin1Char(' ') +
                                  day.toString(QStringLiteral("yyyy")) + QStringLiteral("   ");
    QVERIFY2(line.startsWith(expectedStart), qPrintable(line + QStringLiteral(" / ") + expectedStart));
    QVERIFY2(line.endsWith(QStringLiteral("      203.0.113.7")), qPrintable(line));
}

void ChangesTest::logSizeSteps_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("step");
    QTest::newRow("0") << "0" << 1;
    QTest::newRow("99") << "99" << 1;
    QTest::newRow("100") << "100" << 10;
    QTest::newRow("999") << "999" << 10;
    QTest::newRow("1000") << "1000" << 100;
    QTest::newRow("9999") << "9999" << 100;
    QTest::newRow("10000") << "10000" << 200;
    QTest::newRow("-1") << "-1" << 200;
    QTest::newRow("letters count as 0") << "abc" << 1;
}

void ChangesTest::logSizeSteps()
{
    QFETCH(QString, text);
    QFETCH(int, step);
    TFormFixture fixture;
    TForm1& form = fixture.Start();
    form.SpinEdit2->SetText(QStringLiteral("5000"));
    form.SpinEdit2->SetText(text);
    QCOMPARE(form.SpinEdit2->Increment(), step);
}

void ChangesTest::fileDialogPresets_data()
{
    const QString htmlFilter =
        QStringLiteral("All Files (*.htm;*.html;*.js;*.txt)|*.htm;*.html;*.js;*.txt|HTML Files (*.htm;*.html)|"
                       "*.htm;*.html|Script Files (*.js)|*.js|Text Files (*.txt)|*.txt");
    const QString textFilter = QStringLiteral("Text Files (*.txt)|*.txt");
    const int open = int(TScriptedDialogs::EKind::OpenFile);
    const int save = int(TScriptedDialogs::EKind::SaveFile);
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("boxText");
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QString>("folder"); // empty: the executable's
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("extension");
    QTest::newRow("template empty") << "Button1" << "edLocalFile" << "" << "" << "" << open << htmlFilter << "";
    QTest::newRow("template path") << "Button1" << "edLocalFile" << "/srv/www/index.ip.html" << "index.ip"
                                   << "/srv/www" << open << htmlFilter << "";
    QTest::newRow("ip empty") << "btnSaveIP" << "edSaveIP" << "" << "untitled" << "" << save << textFilter << "txt";
    QTest::newRow("ip path") << "btnSaveIP" << "edSaveIP" << "/srv/data/ip.txt" << "ip" << "/srv/data" << save
                             << textFilter << "txt";
    QTest::newRow("log empty") << "btnSaveLog" << "edLog" << "" << "untitled" << "" << save << textFilter << "txt";
    QTest::newRow("log path") << "btnSaveLog" << "edLog" << "/var/log/kestrune.addr.log" << "kestrune.addr"
                              << "/var/log" << save << textFilter << "txt";
    QTest::newRow("log in root") << "btnSaveLog" << "edLog" << "/ip.log" << "ip" << "/" << save << textFilter
                                 << "txt";
}

void ChangesTest::fileDialogPresets()
{
    QFETCH(QString, button);
    QFETCH(QString, box);
    QFETCH(QString, boxText);
    QFETCH(QString, fileName);
    QFETCH(QString, folder);
    QFETCH(int, kind);
    QFETCH(QString, filter);
    QFETCH(QString, extension);
    TFormFixture fixture;
    TForm1& form = fixture.Start();
    auto* edit = form.findChild<QLineEdit*>(box);
    auto* browse = form.findChild<QPushButton*>(button);
    QVERIFY(edit && browse);
    edit->setText(boxText);

    browse->click(); // cancelled
    QCOMPARE(edit->text(), boxText);
    fixture.Dialogs.FileAnswers.enqueue(QStringLiteral("/chosen/file.txt"));
    browse->click();
    QCOMPARE(edit->text(), QStringLiteral("/chosen/file.txt"));

    const auto& shown = fixture.Dialogs.Shown;
    QCOMPARE(shown.size(), 2);
    QCOMPARE(int(shown[0].Kind), kind);
    QCOMPARE(shown[0].File.fileName, fileName);
    QCOMPARE(shown[0].File.initialDir, folder.isEmpty() ? QString::fromStdString(fixture.Folder.Path()) : folder);
    QCOMPARE(shown[0].File.filter, filter);
    QCOMPARE(shown[0].File.defaultExtension, extension);
}

QTEST_MAIN(ChangesTest)
#include "test_changes.moc"
