// The change handler and the local files through the window, against a real page (nginx), FTP and SMTP server.
#include "ActionTestHelpers.h"
#include "WindowFixture.h"
#include "WindowSteps.h"
#include "FtpServer.h"
#include "LocalPage.h"
#include "SmtpServer.h"
#include "SpinBox.h"

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

using namespace kestrune::app;

namespace {

std::string routerPage(const std::string& address) { return "<html><body>WAN IP: " + address + " Mask</body></html>"; }

// A window whose upload goes to a local FTP server ("up"/"pw") from a template in its folder, with the IP file
// and the log on and, when asked, mail to a local SMTP server.
struct UploadRig {
    UploadRig(const std::string& templateText, bool withMail, const QString& password = QStringLiteral("pw"))
        : ftp("up", "pw"), form(fixture.start()), files(fixture)
    {
        fillFtpTab(form, ftp, QStringLiteral("up"), password, fixture.folder.Write("t.txt", templateText),
                   QStringLiteral("ip.txt"));
        form.ftpTab()->enableCheck()->setChecked(true);
        if (withMail) {
            smtp = std::make_unique<SmtpServer>(SmtpServer::Options{});
            fillMailTab(form, *smtp);
        }
        files.enable(form, true, true);
    }
    FtpServer ftp;
    std::unique_ptr<SmtpServer> smtp;
    LocalPage page{statusPage(QString())};
    WindowFixture fixture;
    MainWindow& form;
    const LocalFiles files;
};

} // namespace

class ChangeHandlingTest : public QObject {
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
    void failedLogAfterMailLeavesTheRestToRun();
    void uploadFailuresLeaveOnlyError_data();
    void uploadFailuresLeaveOnlyError();
    void displayTextIsUploadedAsItIs_data();
    void displayTextIsUploadedAsItIs();
    void silentFtpServerCannotHoldTheCheck();
    void uploadButtonFollowsTheFiveFields();
    void runsArrivingDuringAnUploadAreRefusedOrDeferred();
};

void ChangeHandlingTest::scheduledChecksRunEveryActionOncePerNewAddress()
{
    LocalPage page(routerPage("198.51.100.3"));
    FtpServer ftp("up", "pw");
    SmtpServer smtp({});
    WindowFixture fixture;
    const std::string metrics = fixture.folder.File("kestrune.prom");
    fixture.writeSettings("[System]\nMetricsFile=" + metrics + "\n");
    MainWindow& form = fixture.start();
    const LocalFiles files(fixture);
    const std::string templ = fixture.folder.Write("page.html", "<a href=\"http://{IP}/\">{ip}</a>\n");
    useUserDefinedPage(form, page.address());
    fillFtpTab(form, ftp, QStringLiteral("up"), QStringLiteral("pw"), templ, QStringLiteral("site\\ip.html"));
    form.ftpTab()->enableCheck()->setChecked(true);
    fillMailTab(form, smtp);
    files.enable(form, true, true);
    form.systemTab()->intervalSpin()->setValue(2);

    form.guarded([&] { form.onStartClicked(); });
    QCOMPARE(fixture.dialogs.errors(), QStringList());
    QCOMPARE(ftp.ReadStored("ip.html"), std::string("<a href=\"http://198.51.100.3/\">198.51.100.3</a>\r\n"));
    QCOMPARE(fileBytes(form.paths().uploadFile.string()), ftp.ReadStored("ip.html"));
    QCOMPARE(lastUploaded(form), QStringLiteral("198.51.100.3"));
    QCOMPARE(fileBytes(files.ipFile), std::string("198.51.100.3"));
    QCOMPARE(crLfLines(files.logFile).size(), 1);
    QCOMPARE(smtp.Stored().size(), 1u);
    QCOMPARE(bodyLines(smtp.Stored()[0].Data).value(2), QStringLiteral("198.51.100.3"));
    QCOMPARE(form.statusLine()->currentMessage(), QString());
    QVERIFY(!form.monitor().ftp().connected());
    // The window keeps the run's record and metrics as a run without one does.
    const kestrune::core::RunStatus status =
        kestrune::core::loadSettingsFile(fixture.settingsPath(), "http://first.example/").runStatus;
    for (const char* channel : {"Upload", "Mail", "IpFile", "Log"})
        QCOMPARE(status.published.contains(channel) ? status.published.at(channel).address : std::string(), std::string("198.51.100.3"));
    QVERIFY2(fileBytes(metrics).find("kestrune_publish_total{channel=\"upload\",result=\"success\"} 1\n") !=
                 std::string::npos, fileBytes(metrics).c_str());

    // The same address at the next check reaches no action.
    ticks(form, 2);
    QCOMPARE(page.requests(), 2);
    QCOMPARE(smtp.Stored().size(), 1u);
    QCOMPARE(crLfLines(files.logFile).size(), 1);

    page.setBody(routerPage("198.51.100.4"));
    ticks(form, 2);
    QCOMPARE(page.requests(), 3);
    QCOMPARE(ftp.ReadStored("ip.html"), std::string("<a href=\"http://198.51.100.4/\">198.51.100.4</a>\r\n"));
    QCOMPARE(fileBytes(files.ipFile), std::string("198.51.100.4"));
    const QStringList log = crLfLines(files.logFile);
    QCOMPARE(log.size(), 2);
    QCOMPARE(loggedAddress(log[0]), QStringLiteral("198.51.100.4"));
    QCOMPARE(loggedAddress(log[1]), QStringLiteral("198.51.100.3"));
    QCOMPARE(smtp.Stored().size(), 2u);
    QCOMPARE(bodyLines(smtp.Stored()[1].Data).value(2), QStringLiteral("198.51.100.4"));
    QCOMPARE(form.monitor().countdown(), 2);
}

void ChangeHandlingTest::sameAddressTwiceActsOnce_data()
{
    QTest::addColumn<bool>("ftpOn");
    QTest::addColumn<bool>("mailOn");
    QTest::addColumn<int>("mails");
    QTest::addColumn<int>("logLines");
    // One log entry per new address, whether the change handler or (with FTP off) the mail writes it.
    QTest::newRow("ftp and mail") << true << true << 2 << 2;
    QTest::newRow("ftp only") << true << false << 0 << 2;
    QTest::newRow("mail only") << false << true << 2 << 2;
    QTest::newRow("neither") << false << false << 0 << 2;
}

void ChangeHandlingTest::sameAddressTwiceActsOnce()
{
    QFETCH(bool, ftpOn);
    QFETCH(bool, mailOn);
    QFETCH(int, mails);
    QFETCH(int, logLines);
    UploadRig rig("{IP}", true);
    MainWindow& form = rig.form;
    const LocalFiles& files = rig.files;
    form.ftpTab()->enableCheck()->setChecked(ftpOn);
    form.mailTab()->sendMailCheck()->setChecked(mailOn);

    const struct {
        const char* address;
        const char* ipFile; // after the call; the file is removed before it
    } runs[] = {{"203.0.113.7", "203.0.113.7"}, {"203.0.113.7", ""}, {"203.0.113.8", "203.0.113.8"}};
    for (const auto& run : runs) {
        std::remove(files.ipFile.c_str());
        checkOnce(form, rig.page, QString::fromLatin1(run.address));
        QCOMPARE(fileBytes(files.ipFile), std::string(run.ipFile));
    }
    QCOMPARE(int(rig.smtp->Stored().size()), mails);
    QCOMPARE(crLfLines(files.logFile).size(), logLines);
    QCOMPARE(lastSaved(form), QStringLiteral("203.0.113.8"));
    QCOMPARE(lastMailed(form), mailOn ? QStringLiteral("203.0.113.8") : QString());
    QCOMPARE(lastUploaded(form), ftpOn ? QStringLiteral("203.0.113.8") : QString());
}

void ChangeHandlingTest::manualUploadTouchesOnlyTheUpload()
{
    UploadRig rig("ip={IP}", true);
    MainWindow& form = rig.form;
    const LocalFiles& files = rig.files;
    form.ftpTab()->enableCheck()->setChecked(false);
    form.monitor().setLastMailed("old");
    findAddress(form, rig.page, QStringLiteral("203.0.113.7"));

    form.ftpTab()->uploadButton()->click();
    QCOMPARE(rig.fixture.dialogs.errors(), QStringList());
    QCOMPARE(rig.ftp.ReadStored("ip.txt"), std::string("ip=203.0.113.7\r\n"));
    QCOMPARE(lastUploaded(form), QStringLiteral("203.0.113.7"));
    QCOMPARE(lastMailed(form), QStringLiteral("old"));
    QCOMPARE(lastSaved(form), QString());
    QCOMPARE(lastLogged(form), QString());
    QCOMPARE(rig.smtp->Stored().size(), 0u);
    QVERIFY(!std::filesystem::exists(files.ipFile));
    QVERIFY(!std::filesystem::exists(files.logFile));
    QCOMPARE(form.monitor().countdown(), form.systemTab()->intervalSpin()->value());
}

void ChangeHandlingTest::placeholderDoesNothing_data()
{
    QTest::addColumn<bool>("manual");
    QTest::newRow("scheduled") << false;
    QTest::newRow("Upload button") << true;
}

void ChangeHandlingTest::placeholderDoesNothing()
{
    QFETCH(bool, manual);
    UploadRig rig("{IP}", true);
    MainWindow& form = rig.form;
    const LocalFiles& files = rig.files;
    const QString placeholder = QStringLiteral("---.---.---.---");

    if (manual) {
        findAddress(form, rig.page, QString());
        QCOMPARE(form.addressLabel()->text(), placeholder);
        form.statusLine()->showMessage(QStringLiteral("kept"));
        form.ftpTab()->uploadButton()->click();
        // Not even the countdown is reset.
        QCOMPARE(form.monitor().countdown(), 0);
        QCOMPARE(form.statusLine()->currentMessage(), QStringLiteral("kept"));
    } else {
        checkOnce(form, rig.page, QString());
        QCOMPARE(form.addressLabel()->text(), placeholder);
    }
    QVERIFY(std::filesystem::is_empty(rig.ftp.Root()));
    QCOMPARE(rig.smtp->Stored().size(), 0u);
    QVERIFY(!std::filesystem::exists(files.ipFile));
    QVERIFY(!std::filesystem::exists(files.logFile));
    QCOMPARE(lastUploaded(form), QString());
}

void ChangeHandlingTest::failedUploadCarriesErrorAndIsRetried()
{
    LocalPage page(routerPage("198.51.100.3"));
    UploadRig rig("{IP}", true, QStringLiteral("wrong"));
    MainWindow& form = rig.form;
    const LocalFiles& files = rig.files;
    SmtpServer& smtp = *rig.smtp;
    useUserDefinedPage(form, page.address());
    form.systemTab()->intervalSpin()->setValue(2);

    form.guarded([&] { form.onStartClicked(); });
    QCOMPARE(form.addressLabel()->text(), QStringLiteral("Error"));
    QCOMPARE(lastUploaded(form), QString());
    QCOMPARE(fileBytes(files.ipFile), std::string("Error"));
    QCOMPARE(loggedAddress(crLfLines(files.logFile).value(0)), QStringLiteral("Error"));
    QCOMPARE(bodyLines(smtp.Stored().at(0).Data).value(2), QStringLiteral("Error"));

    form.ftpTab()->passwordEdit()->setText(QStringLiteral("pw"));
    ticks(form, 2);
    QCOMPARE(form.addressLabel()->text(), QStringLiteral("198.51.100.3"));
    QCOMPARE(rig.ftp.ReadStored("ip.txt"), std::string("198.51.100.3\r\n"));
    QCOMPARE(lastUploaded(form), QStringLiteral("198.51.100.3"));
    QCOMPARE(fileBytes(files.ipFile), std::string("198.51.100.3"));
    QCOMPARE(crLfLines(files.logFile).size(), 2);
    QCOMPARE(smtp.Stored().size(), 2u);
}

void ChangeHandlingTest::readOnlyLogReachesErrorReportAndSchedulerGoesOn()
{
    LocalPage page(routerPage("198.51.100.3"));
    UploadRig rig("{IP}", false);
    MainWindow& form = rig.form;
    WindowFixture& fixture = rig.fixture;
    const LocalFiles& files = rig.files;
    useUserDefinedPage(form, page.address());
    form.systemTab()->intervalSpin()->setValue(2);
    form.guarded([&] { form.onStartClicked(); });
    const std::string logged = fileBytes(files.logFile);
    QCOMPARE(crLfLines(files.logFile).size(), 1);

    ::chmod(files.logFile.c_str(), 0444);
    page.setBody(routerPage("198.51.100.4"));
    ticks(form, 2);
    QCOMPARE(fixture.dialogs.errors().size(), 1);
    QVERIFY2(fixture.dialogs.errors()[0].contains(QString::fromStdString(files.logFile)),
             qPrintable(fixture.dialogs.errors()[0]));
    QCOMPARE(fileBytes(files.logFile), logged);
    QCOMPARE(fileBytes(files.ipFile), std::string("198.51.100.4"));
    QCOMPARE(form.monitor().countdown(), 2);
    QVERIFY(form.checkTimer()->isActive());

    ::chmod(files.logFile.c_str(), 0644);
    page.setBody(routerPage("198.51.100.5"));
    ticks(form, 2);
    QCOMPARE(page.requests(), 3);
    const QStringList log = crLfLines(files.logFile);
    QCOMPARE(log.size(), 2);
    QCOMPARE(loggedAddress(log[0]), QStringLiteral("198.51.100.5"));
    QCOMPARE(log[1] + QStringLiteral("\r\n"), QString::fromStdString(logged));
    QCOMPARE(fixture.dialogs.errors().size(), 1);
}

void ChangeHandlingTest::failedLogAfterMailLeavesTheRestToRun()
{
    LocalPage page(routerPage("203.0.113.7"));
    WindowFixture fixture;
    MainWindow& form = fixture.start();
    const LocalFiles files(fixture);
    files.enable(form, true, true);
    fixture.folder.Write("ip.log", "");
    ::chmod(files.logFile.c_str(), 0444);
    form.mailTab()->sendMailCheck()->setChecked(true);
    form.mailTab()->toEdit()->setText(QStringLiteral("a@example.com"));
    form.mailTab()->fromEdit()->setText(QStringLiteral("b@example.com"));
    form.mailTab()->serverEdit()->setText(QStringLiteral("127.0.0.1"));
    form.mailTab()->portEdit()->setText(portOf(refusingAddress()));

    checkOnce(form, page, QStringLiteral("203.0.113.7"));
    QCOMPARE(fixture.dialogs.errors().size(), 1);
    QVERIFY2(fixture.dialogs.errors()[0].contains(QString::fromStdString(files.logFile)),
             qPrintable(fixture.dialogs.errors()[0]));
    QCOMPARE(fileBytes(files.ipFile), std::string("203.0.113.7"));
    QCOMPARE(fileBytes(files.logFile), std::string());
}

void ChangeHandlingTest::uploadFailuresLeaveOnlyError_data()
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

void ChangeHandlingTest::uploadFailuresLeaveOnlyError()
{
    QFETCH(QString, user);
    QFETCH(QString, password);
    QFETCH(bool, templateExists);
    QFETCH(bool, refusingPort);
    FtpServer ftp("up", "pw", "reader", "rd");
    LocalPage page(routerPage("203.0.113.7"));
    WindowFixture fixture;
    MainWindow& form = fixture.start();
    const std::string templ =
        templateExists ? fixture.folder.Write("t.txt", "{IP}") : fixture.folder.File("missing.txt");
    fillFtpTab(form, ftp, user, password, templ, QStringLiteral("ip.txt"));
    if (refusingPort)
        form.monitor().ftp().port = portNumberOf(refusingAddress());
    form.monitor().setLastUploaded("old");
    findAddress(form, page, QStringLiteral("203.0.113.7"));

    form.ftpTab()->uploadButton()->click();
    QCOMPARE(form.addressLabel()->text(), QStringLiteral("Error"));
    QCOMPARE(lastUploaded(form), QStringLiteral("old"));
    QCOMPARE(form.statusLine()->currentMessage(), QString());
    QCOMPARE(fixture.dialogs.shown.size(), 0);
    QVERIFY(!form.monitor().ftp().connected());
    QVERIFY(!std::filesystem::exists(ftp.Root() / "ip.txt"));
    QCOMPARE(form.monitor().countdown(), form.systemTab()->intervalSpin()->value());
}

void ChangeHandlingTest::displayTextIsUploadedAsItIs_data()
{
    QTest::addColumn<QString>("display");
    QTest::newRow("after a failed upload") << "Error";
    QTest::newRow("after a failed external lookup") << "";
}

void ChangeHandlingTest::displayTextIsUploadedAsItIs()
{
    QFETCH(QString, display);
    LocalPage page(routerPage("198.51.100.3"));
    UploadRig rig("[{Ip}]", false, display.isEmpty() ? QStringLiteral("pw") : QStringLiteral("wrong"));
    MainWindow& form = rig.form;
    const LocalFiles& files = rig.files;
    FtpServer& ftp = rig.ftp;
    useUserDefinedPage(form, page.address());
    if (!display.isEmpty()) {
        form.ftpTab()->uploadButton()->click();
        form.ftpTab()->passwordEdit()->setText(QStringLiteral("pw"));
    }
    QCOMPARE(form.addressLabel()->text(), display);

    form.ftpTab()->uploadButton()->click();
    QCOMPARE(ftp.ReadStored("ip.txt"), "[" + display.toStdString() + "]\r\n");
    QCOMPARE(lastUploaded(form), display);
    QVERIFY(!std::filesystem::exists(files.ipFile));

    // The next check finds a different address and runs every enabled action with it.
    form.systemTab()->intervalSpin()->setValue(0);
    form.onStartClicked();
    QCOMPARE(ftp.ReadStored("ip.txt"), std::string("[198.51.100.3]\r\n"));
    QCOMPARE(lastUploaded(form), QStringLiteral("198.51.100.3"));
    QCOMPARE(fileBytes(files.ipFile), std::string("198.51.100.3"));
    QCOMPARE(loggedAddress(crLfLines(files.logFile).value(0)), QStringLiteral("198.51.100.3"));
}

void ChangeHandlingTest::silentFtpServerCannotHoldTheCheck()
{
    LocalPage page(routerPage("198.51.100.3"));
    SilentServer silent;
    WindowFixture fixture;
    MainWindow& form = fixture.start();
    const LocalFiles files(fixture);
    useUserDefinedPage(form, page.address());
    form.ftpTab()->enableCheck()->setChecked(true);
    form.ftpTab()->hostEdit()->setText(QStringLiteral("127.0.0.1"));
    form.monitor().ftp().port = portNumberOf(silent.address());
    form.monitor().ftp().readTimeout = 300; // the window's bound, shortened for the test
    files.enable(form, true, false);
    form.systemTab()->intervalSpin()->setValue(2);

    QElapsedTimer clock;
    clock.start();
    form.onStartClicked();
    QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(form.addressLabel()->text(), QStringLiteral("Error"));
    QCOMPARE(fileBytes(files.ipFile), std::string("Error"));
    QCOMPARE(form.statusLine()->currentMessage(), QString());
    QCOMPARE(fixture.dialogs.shown.size(), 0);
    QVERIFY(!form.monitor().checkRunning() && !form.monitor().changeRunning());
    QCOMPARE(form.monitor().countdown(), 2);
}

void ChangeHandlingTest::uploadButtonFollowsTheFiveFields()
{
    WindowFixture fixture;
    MainWindow& form = fixture.start();
    QLineEdit* const fields[] = {form.ftpTab()->hostEdit(), form.ftpTab()->usernameEdit(), form.ftpTab()->passwordEdit(), form.ftpTab()->templateEdit(), form.ftpTab()->remoteFileEdit()};
    for (QLineEdit* field : fields)
        field->setText(QStringLiteral("x"));
    QVERIFY(form.ftpTab()->uploadButton()->isEnabled());
    for (QLineEdit* field : fields) {
        field->clear();
        QVERIFY2(!form.ftpTab()->uploadButton()->isEnabled(), qPrintable(field->objectName()));
        field->setText(QStringLiteral("/no/such/template.htm"));
        QVERIFY2(form.ftpTab()->uploadButton()->isEnabled(), qPrintable(field->objectName()));
    }
}

void ChangeHandlingTest::runsArrivingDuringAnUploadAreRefusedOrDeferred()
{
    LocalPage page(routerPage("198.51.100.3"));
    SilentServer silent;
    WindowFixture fixture;
    MainWindow& form = fixture.start();
    useUserDefinedPage(form, page.address());
    form.ftpTab()->hostEdit()->setText(QStringLiteral("127.0.0.1"));
    form.ftpTab()->usernameEdit()->setText(QStringLiteral("up"));
    form.ftpTab()->passwordEdit()->setText(QStringLiteral("pw"));
    form.ftpTab()->templateEdit()->setText(QString::fromStdString(fixture.folder.Write("t.txt", "{IP}")));
    form.ftpTab()->remoteFileEdit()->setText(QStringLiteral("ip.txt"));
    form.monitor().ftp().port = portNumberOf(silent.address());
    // The scheduler runs with a minute to go; uploads are off, so only the button uploads.
    form.systemTab()->intervalSpin()->setValue(1);
    form.onStartClicked();
    findAddress(form, page, QStringLiteral("203.0.113.7"));
    const int requests = page.requests();

    int released = -1;
    QString statusWhileWaiting;
    int countdownAfterTick = -1;
    QTimer::singleShot(100, &form, [&] {
        statusWhileWaiting = form.statusLine()->currentMessage();
        form.onUploadClicked();  // a second press of Upload
        form.onStartClicked();   // and of Update
        form.onTestLookupClicked();
        form.onTimer(kestrune::core::TimerId::Minute);  // the countdown runs out meanwhile: the check waits
        countdownAfterTick = form.monitor().countdown();
        released = silent.release();
    });
    form.ftpTab()->uploadButton()->click();

    QCOMPARE(released, 1);
    QCOMPARE(fixture.dialogs.beeps, 3);
    QCOMPARE(countdownAfterTick, 1);
    QCOMPARE(statusWhileWaiting, QStringLiteral("Connected to 127.0.0.1."));
    QCOMPARE(page.requests(), requests);
    QCOMPARE(form.monitor().countdown(), form.systemTab()->intervalSpin()->value());
    QCOMPARE(form.addressLabel()->text(), QStringLiteral("Error"));
    QVERIFY(!form.monitor().changeRunning());
    QVERIFY(!form.monitor().checkRunning());
}

QTEST_MAIN(ChangeHandlingTest)
#include "ChangeHandlingTest.moc"
