// The E-mail tab through the window: the Test button, Set Default, the log entry after each mail, TLS with login
// and the mail about a failed lookup, against a real SMTP server (aiosmtpd) and a real page (nginx).
#include "ActionTestHelpers.h"
#include "FormFixture.h"
#include "FormSteps.h"
#include "LocalPage.h"
#include "SmtpServer.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QRadioButton>
#include <QTabWidget>
#include <QTimer>
#include <QtTest>
#include <chrono>

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
    void everyMailAddsALogEntryOnlyWithFtpOff_data();
    void everyMailAddsALogEntryOnlyWithFtpOff();
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
    TSmtpServer smtp(login ? TSmtpServer::TOptions{false, "u", "p"} : TSmtpServer::TOptions{});
    TFormFixture fixture;
    TForm1& form = fixture.Start();
    FillMailTab(form, smtp);
    form.edWebTo->setText(to);
    form.edWebSMTP->setText(server);
    form.cboxWebAuth->setChecked(login);
    form.edWebUser->setText(user);
    form.edWebPass->setText(password);
    form.edWebMail->setText(QStringLiteral("Kestrune test"));
    form.Panel1->setText(kAddress);

    form.btnMailTest->click();
    if (!message.isEmpty()) {
        QCOMPARE(fixture.Dialogs.Messages(), QStringList{message});
        QCOMPARE(smtp.Stored().size(), 0u);
        return;
    }
    QCOMPARE(fixture.Dialogs.Shown.size(), 0);
    const auto stored = smtp.Stored();
    QCOMPARE(stored.size(), 1u);
    QCOMPARE(HeaderValue(stored[0].Data, QStringLiteral("Subject")), QStringLiteral("Kestrune test"));
    const QStringList body = BodyLines(stored[0].Data);
    QCOMPARE(body.size(), 4);
    // Day and month names are the user's; the shape is fixed: no year, two blanks before the time.
    const QRegularExpression dateLine(QStringLiteral("^\\S+ \\d\\d \\S+  \\d\\d:\\d\\d:\\d\\d$"));
    QVERIFY2(dateLine.match(body[0]).hasMatch(), qPrintable(body[0]));
    QCOMPARE(body[1], QStringLiteral("Kestrune IP-check has detected the following IP address: "));
    QCOMPARE(body[2], QStringLiteral("Test message. IP address: ") + kAddress);
    QCOMPARE(body[3], QString(35, QLatin1Char('-')));
    // Testing is not a change: the address does not count as mailed.
    QCOMPARE(form.LastMailedIP, QString());
}

void MailWindowTest::testButtonFollowsTheSendBox()
{
    TFormFixture fixture;
    TForm1& form = fixture.Start();
    for (const bool on : {true, false, true}) {
        form.cbWebMail->setChecked(on);
        QCOMPARE(form.btnMailTest->isEnabled(), on);
    }
    // Showing the tab re-reads the box, whatever changed the button meanwhile.
    form.btnMailTest->setEnabled(false);
    form.PageControl9->setCurrentWidget(form.TsFTP);
    form.PageControl9->setCurrentWidget(form.TsMail);
    QVERIFY(form.btnMailTest->isEnabled());
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
    TFormFixture fixture;
    TForm1& form = fixture.Start();
    form.cbSSL->setChecked(ssl);
    form.edPort->setText(QStringLiteral("2525"));
    form.edWebSMTP->setText(QStringLiteral("smtp.example.org"));
    form.Button2->click();
    QCOMPARE(form.edPort->text(), port);
    QCOMPARE(form.cbSSL->isChecked(), ssl);
    QCOMPARE(form.edWebSMTP->text(), QStringLiteral("smtp.example.org"));
    QCOMPARE(fixture.Dialogs.Shown.size(), 0);
}

void MailWindowTest::everyMailAddsALogEntryOnlyWithFtpOff_data()
{
    QTest::addColumn<bool>("ftpOn");
    QTest::newRow("FTP off: each mail logs") << false;
    QTest::newRow("FTP on: mails never log") << true;
}

void MailWindowTest::everyMailAddsALogEntryOnlyWithFtpOff()
{
    QFETCH(bool, ftpOn);
    TSmtpServer smtp({});
    TFormFixture fixture;
    TForm1& form = fixture.Start();
    FillMailTab(form, smtp);
    const std::string log = fixture.Folder.File("ip.log");
    form.cbLog->setChecked(true);
    form.edLog->setText(QString::fromStdString(log));
    form.cbFTP->setChecked(ftpOn);
    UseUserDefinedPage(form, RefusingAddress());
    form.Panel1->setText(kAddress);

    // A failed lookup mails its error; the entry holds the address display, not the mailed text.
    form.Guarded([&] { form.SetOutsideIP(&form); });
    QCOMPARE(smtp.Stored().size(), 1u);
    const QString mailed = BodyLines(smtp.Stored()[0].Data).value(2);
    QVERIFY2(mailed.startsWith(QStringLiteral("The Lookup Service has reported an error: ")), qPrintable(mailed));
    QVERIFY(mailed.size() > 42);
    QCOMPARE(form.Panel1->text(), kAddress);

    form.btnMailTest->click();
    QCOMPARE(smtp.Stored().size(), 2u);
    QCOMPARE(fixture.Dialogs.Shown.size(), 0);

    const QStringList lines = CrLfLines(log);
    QCOMPARE(lines.size(), ftpOn ? 0 : 2);
    for (const QString& line : lines)
        QCOMPARE(LoggedAddress(line), kAddress);
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
    TSmtpServer smtp({tlsServer, "kes", "s3cret"});
    TFormFixture fixture;
    TForm1& form = fixture.Start();
    FillMailTab(form, smtp);
    form.edWebTo->setText(QStringLiteral("Owner <owner@home.example>; second@home.example"));
    form.cbSSL->setChecked(sslBox);
    form.cboxWebAuth->setChecked(true);
    form.edWebUser->setText(QStringLiteral("kes"));
    form.edWebPass->setText(password);
    const std::string ipFile = fixture.Folder.File("ip.txt");
    form.cbSaveIP->setChecked(true);
    form.edSaveIP->setText(QString::fromStdString(ipFile));
    form.Panel1->setText(kAddress);

    const auto start = std::chrono::steady_clock::now();
    form.Guarded([&] { form.btnFTPClick(&form); });
    const auto elapsed = std::chrono::steady_clock::now() - start;
    QVERIFY(elapsed < std::chrono::seconds(10));
    // Failed or not, the mail is silent and counted; the run goes on to the IP file.
    QCOMPARE(fixture.Dialogs.Shown.size(), 0);
    QCOMPARE(form.LastMailedIP, kAddress);
    QCOMPARE(FileBytes(ipFile), kAddress.toStdString());
    QVERIFY(!form.Mail.SMTP.IsConnected());
    const auto stored = smtp.Stored();
    QCOMPARE(stored.size(), delivered ? 1u : 0u);
    if (!delivered)
        return;
    QCOMPARE(stored[0].Envelope, (std::vector<std::string>{"MAIL FROM:<kestrune@home.example>",
                                                           "RCPT TO:<owner@home.example>",
                                                           "RCPT TO:<second@home.example>", "LOGIN kes"}));
    QCOMPARE(HeaderValue(stored[0].Data, QStringLiteral("To")),
             QStringLiteral("\"Owner\" <owner@home.example>, second@home.example"));
    QCOMPARE(BodyLines(stored[0].Data).value(2), kAddress);
}

void MailWindowTest::checksWaitForARunningTestMail()
{
    TLocalPage page("<html>WAN IP: 10.1.2.3 Mask</html>");
    TSilentServer silent;
    TFormFixture fixture;
    TForm1& form = fixture.Start();
    form.cbWebMail->setChecked(true);
    form.edWebTo->setText(QStringLiteral("owner@home.example"));
    form.edWebSMTP->setText(QStringLiteral("127.0.0.1"));
    form.edPort->setText(PortOf(silent.Address()));
    UseUserDefinedPage(form, page.Address());
    form.Panel1->setText(kAddress);
    form.Countdown = 1;

    bool checkRunningMeanwhile = false;
    int released = -1;
    QTimer::singleShot(100, &form, [&] {
        checkRunningMeanwhile = form.CheckRunning();
        form.Timer1Timer();             // the countdown runs out while the test mail waits
        form.btnStartClick(form.btnStart);
        form.btnFTP->setEnabled(true);
        form.btnFTPClick(form.btnFTP);  // and the user presses Upload
        released = silent.Release();
    });
    form.btnMailTest->click();

    QVERIFY(checkRunningMeanwhile);
    QCOMPARE(released, 1);
    QCOMPARE(page.Requests(), 0);
    QCOMPARE(form.Countdown, 1);
    QCOMPARE(fixture.Dialogs.Beeps, 2);
    QCOMPARE(form.LastMailedIP, QString());
    QVERIFY(!form.CheckRunning());

    // The deferred check runs at the next tick and mails its address.
    TSmtpServer smtp({});
    form.edPort->setText(QString::number(smtp.Port()));
    Ticks(form, 1);
    QCOMPARE(page.Requests(), 1);
    QCOMPARE(form.LastMailedIP, QStringLiteral("10.1.2.3"));
    QCOMPARE(smtp.Stored().size(), 1u);
}

QTEST_MAIN(MailWindowTest)
#include "MailWindowTest.moc"
