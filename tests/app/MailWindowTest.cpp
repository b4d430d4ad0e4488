// The E-mail tab through the window: the Test button, Set Default, the log entry after each mail, TLS with login
// and the mail about a failed lookup, against a real SMTP server (aiosmtpd) and a real page (nginx).
#include "ActionTestHelpers.h"
#include "WindowFixture.h"
#include "WindowSteps.h"
#include "LocalPage.h"
#include "SmtpServer.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QRadioButton>
#include <QTabWidget>
#include <QTimer>
#include <QtTest>
#include <chrono>

using namespace kestrune::app;

namespace {

const QString kAddress = QStringLiteral("203.0.113.7");

} // namespace

class MailWindowTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }
    void testButtonChecksTheFieldsThenSends_data();
    void testButtonChecksTheFieldsThenSends();
    void testButtonFollowsTheSendBox();
    void setDefaultPicksThePortForTheConnection_data();
    void setDefaultPicksThePortForTheConnection();
    void mailsLogTheirAddressOnceOnlyWithFtpOff_data();
    void mailsLogTheirAddressOnceOnlyWithFtpOff();
    void tlsAndLoginSettingsReachTheServer_data();
    void tlsAndLoginSettingsReachTheServer();
    void checksWaitForARunningTestMail();
};

void MailWindowTest::testButtonChecksTheFieldsThenSends_data()
{
    QTest::addColumn<QString>("to");
    QTest::addColumn<QString>("server");
    QTest::addColumn<bool>("login");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("message"); // empty: the test message goes out
    const QString to = QStringLiteral("owner@home.example");
    const QString server = QStringLiteral("127.0.0.1");
    QTest::newRow("no recipient") << "" << server << false << "" << "" << "A To: address needs to be specified.";
    QTest::newRow("no recipient, no server: the last check speaks")
        << "" << "" << false << "" << "" << "An SMTP server needs to be specified.";
    QTest::newRow("login without user") << to << server << true << "" << "pw" << "Username needs to be specified.";
    QTest::newRow("login without user and password")
        << to << server << true << "" << "" << "Password needs to be specified.";
    QTest::newRow("no login: empty user and password are fine") << to << server << false << "" << "" << "";
    QTest::newRow("all fields") << to << server << true << "u" << "p" << "";
}

void MailWindowTest::testButtonChecksTheFieldsThenSends()
{
    QFETCH(QString, to);
    QFETCH(QString, server);
    QFETCH(bool, login);
    QFETCH(QString, user);
    QFETCH(QString, password);
    QFETCH(QString, message);
    SmtpServer smtp(login ? SmtpServer::Options{false, "u", "p"} : SmtpServer::Options{});
    LocalPage page(statusPage(kAddress));
    WindowFixture fixture;
    MainWindow& form = fixture.start();
    fillMailTab(form, smtp);
    form.mailTab()->toEdit()->setText(to);
    form.mailTab()->serverEdit()->setText(server);
    form.mailTab()->loginCheck()->setChecked(login);
    form.mailTab()->userEdit()->setText(user);
    form.mailTab()->passwordEdit()->setText(password);
    form.mailTab()->subjectEdit()->setText(QStringLiteral("Kestrune test"));
    findAddress(form, page, kAddress);

    form.mailTab()->testMailButton()->click();
    if (!message.isEmpty()) {
        QCOMPARE(fixture.dialogs.messages(), QStringList{message});
        QCOMPARE(smtp.Stored().size(), 0u);
        return;
    }
    QCOMPARE(fixture.dialogs.shown.size(), 0);
    const auto stored = smtp.Stored();
    QCOMPARE(stored.size(), 1u);
    QCOMPARE(headerValue(stored[0].Data, QStringLiteral("Subject")), QStringLiteral("Kestrune test"));
    const QStringList body = bodyLines(stored[0].Data);
    QCOMPARE(body.size(), 4);
    // Day and month names are the user's; the shape is fixed: no year, two blanks before the time.
    const QRegularExpression dateLine(QStringLiteral("^\\S+ \\d\\d \\S+  \\d\\d:\\d\\d:\\d\\d$"));
    QVERIFY2(dateLine.match(body[0]).hasMatch(), qPrintable(body[0]));
    QCOMPARE(body[1], QStringLiteral("Kestrune IP-check has detected the following IP address: "));
    QCOMPARE(body[2], QStringLiteral("Test message. IP address: ") + kAddress);
    QCOMPARE(body[3], QString(35, QLatin1Char('-')));
    // Testing is not a change: the address does not count as mailed.
    QCOMPARE(lastMailed(form), QString());
}

void MailWindowTest::testButtonFollowsTheSendBox()
{
    WindowFixture fixture;
    MainWindow& form = fixture.start();
    for (const bool on : {true, false, true}) {
        form.mailTab()->sendMailCheck()->setChecked(on);
        QCOMPARE(form.mailTab()->testMailButton()->isEnabled(), on);
    }
    // Showing the tab re-reads the box, whatever changed the button meanwhile.
    form.mailTab()->testMailButton()->setEnabled(false);
    form.tabs()->setCurrentWidget(form.ftpTab());
    form.tabs()->setCurrentWidget(form.mailTab());
    QVERIFY(form.mailTab()->testMailButton()->isEnabled());
}

void MailWindowTest::setDefaultPicksThePortForTheConnection_data()
{
    QTest::addColumn<bool>("ssl");
    QTest::addColumn<QString>("port");
    QTest::newRow("SSL") << true << "465";
    QTest::newRow("plain") << false << "25";
}

void MailWindowTest::setDefaultPicksThePortForTheConnection()
{
    QFETCH(bool, ssl);
    QFETCH(QString, port);
    WindowFixture fixture;
    MainWindow& form = fixture.start();
    form.mailTab()->securityCombo()->setCurrentIndex(ssl ? MailTab::SecuritySslTls : MailTab::SecurityNone);
    form.mailTab()->portEdit()->setText(QStringLiteral("2525"));
    form.mailTab()->serverEdit()->setText(QStringLiteral("smtp.example.org"));
    form.mailTab()->defaultPortButton()->click();
    QCOMPARE(form.mailTab()->portEdit()->text(), port);
    QCOMPARE(form.mailTab()->securityCombo()->currentIndex(), ssl ? MailTab::SecuritySslTls : MailTab::SecurityNone);
    QCOMPARE(form.mailTab()->serverEdit()->text(), QStringLiteral("smtp.example.org"));
    QCOMPARE(fixture.dialogs.shown.size(), 0);
}

void MailWindowTest::mailsLogTheirAddressOnceOnlyWithFtpOff_data()
{
    QTest::addColumn<bool>("ftpOn");
    QTest::newRow("FTP off: the first mail for an address logs") << false;
    QTest::newRow("FTP on: mails never log") << true;
}

void MailWindowTest::mailsLogTheirAddressOnceOnlyWithFtpOff()
{
    QFETCH(bool, ftpOn);
    SmtpServer smtp({});
    LocalPage page(statusPage(kAddress));
    WindowFixture fixture;
    MainWindow& form = fixture.start();
    fillMailTab(form, smtp);
    const std::string log = fixture.folder.File("ip.log");
    form.localFilesTab()->logCheck()->setChecked(true);
    form.localFilesTab()->logFileEdit()->setText(QString::fromStdString(log));
    form.ftpTab()->enableCheck()->setChecked(ftpOn);
    findAddress(form, page, kAddress);
    form.monitor().setLastUploaded(kAddress.toStdString());
    useUserDefinedPage(form, refusingAddress());
    form.systemTab()->intervalSpin()->setValue(0);

    // A check's failed lookup mails its error; the entry holds the address display, not the mailed text.
    form.guarded([&] { form.onStartClicked(); });
    QCOMPARE(smtp.Stored().size(), 1u);
    const QString mailed = bodyLines(smtp.Stored()[0].Data).value(2);
    QVERIFY2(mailed.startsWith(QStringLiteral("The Lookup Service has reported an error: ")), qPrintable(mailed));
    QVERIFY(mailed.size() > 42);
    QCOMPARE(form.addressLabel()->text(), kAddress);

    form.mailTab()->testMailButton()->click();
    QCOMPARE(smtp.Stored().size(), 2u);
    QCOMPARE(fixture.dialogs.shown.size(), 0);

    // Both mails carry the same address, which is logged once.
    const QStringList lines = crLfLines(log);
    QCOMPARE(lines.size(), ftpOn ? 0 : 1);
    for (const QString& line : lines)
        QCOMPARE(loggedAddress(line), kAddress);
}

void MailWindowTest::tlsAndLoginSettingsReachTheServer_data()
{
    QTest::addColumn<bool>("tlsServer");
    QTest::addColumn<bool>("sslBox");
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("delivered");
    QTest::newRow("TLS with login") << true << true << "s3cret" << true;
    QTest::newRow("plain with login") << false << false << "s3cret" << true;
    QTest::newRow("wrong password") << true << true << "wrong" << false;
    QTest::newRow("TLS client on a plain port") << false << true << "s3cret" << false;
}

void MailWindowTest::tlsAndLoginSettingsReachTheServer()
{
    QFETCH(bool, tlsServer);
    QFETCH(bool, sslBox);
    QFETCH(QString, password);
    QFETCH(bool, delivered);
    SmtpServer smtp({tlsServer, "kes", "s3cret"});
    LocalPage page(statusPage(kAddress));
    WindowFixture fixture;
    MainWindow& form = fixture.start();
    fillMailTab(form, smtp);
    // The test server's certificate is self-signed.
    form.mailTab()->anyCertificateCheck()->setChecked(true);
    form.mailTab()->toEdit()->setText(QStringLiteral("Owner <owner@home.example>; second@home.example"));
    form.mailTab()->securityCombo()->setCurrentIndex(sslBox ? MailTab::SecuritySslTls : MailTab::SecurityNone);
    form.mailTab()->loginCheck()->setChecked(true);
    form.mailTab()->userEdit()->setText(QStringLiteral("kes"));
    form.mailTab()->passwordEdit()->setText(password);
    const std::string ipFile = fixture.folder.File("ip.txt");
    form.localFilesTab()->saveAddressCheck()->setChecked(true);
    form.localFilesTab()->addressFileEdit()->setText(QString::fromStdString(ipFile));

    const auto start = std::chrono::steady_clock::now();
    checkOnce(form, page, kAddress);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    QVERIFY(elapsed < std::chrono::seconds(10));
    // Failed or not, the mail is silent; only a delivered one counts as sent. The run goes on to the IP file.
    QCOMPARE(fixture.dialogs.shown.size(), 0);
    QCOMPARE(lastMailed(form), delivered ? kAddress : QString());
    QCOMPARE(fileBytes(ipFile), kAddress.toStdString());
    QVERIFY(!form.monitor().mail().smtp.isConnected());
    const auto stored = smtp.Stored();
    QCOMPARE(stored.size(), delivered ? 1u : 0u);
    if (!delivered)
        return;
    QCOMPARE(stored[0].Envelope, (std::vector<std::string>{"MAIL FROM:<kestrune@home.example>",
                                                           "RCPT TO:<owner@home.example>",
                                                           "RCPT TO:<second@home.example>", "LOGIN kes"}));
    QCOMPARE(headerValue(stored[0].Data, QStringLiteral("To")),
             QStringLiteral("\"Owner\" <owner@home.example>, second@home.example"));
    QCOMPARE(bodyLines(stored[0].Data).value(2), kAddress);
}

void MailWindowTest::checksWaitForARunningTestMail()
{
    LocalPage page("<html>WAN IP: 198.51.100.3 Mask</html>");
    SilentServer silent;
    WindowFixture fixture;
    MainWindow& form = fixture.start();
    // The scheduler runs, one minute to the next check, and the address is published already.
    useUserDefinedPage(form, page.address());
    form.systemTab()->intervalSpin()->setValue(1);
    form.onStartClicked();
    form.mailTab()->sendMailCheck()->setChecked(true);
    form.mailTab()->toEdit()->setText(QStringLiteral("owner@home.example"));
    form.mailTab()->serverEdit()->setText(QStringLiteral("127.0.0.1"));
    form.mailTab()->portEdit()->setText(portOf(silent.address()));

    bool checkRunningMeanwhile = false;
    int released = -1;
    QTimer::singleShot(100, &form, [&] {
        checkRunningMeanwhile = form.monitor().checkRunning();
        form.onTimer(kestrune::core::TimerId::Minute);             // the countdown runs out while the test mail waits
        form.onStartClicked();
        form.ftpTab()->uploadButton()->setEnabled(true);
        form.onUploadClicked();  // and the user presses Upload
        released = silent.release();
    });
    form.mailTab()->testMailButton()->click();

    QVERIFY(checkRunningMeanwhile);
    QCOMPARE(released, 1);
    QCOMPARE(page.requests(), 1);
    QCOMPARE(form.monitor().countdown(), 1);
    QCOMPARE(fixture.dialogs.beeps, 2);
    QCOMPARE(lastMailed(form), QString());
    QVERIFY(!form.monitor().checkRunning());

    // The deferred check runs at the next tick and mails its address.
    SmtpServer smtp({});
    form.mailTab()->portEdit()->setText(QString::number(smtp.Port()));
    ticks(form, 1);
    QCOMPARE(page.requests(), 2);
    QCOMPARE(lastMailed(form), QStringLiteral("198.51.100.3"));
    QCOMPARE(smtp.Stored().size(), 1u);
}

QTEST_MAIN(MailWindowTest)
#include "MailWindowTest.moc"
