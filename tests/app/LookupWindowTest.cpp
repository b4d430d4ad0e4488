#include "LocalPage.h"
#include "WindowFixture.h"
#include "WindowSteps.h"
#include "SpinBox.h"
#include "ExternalServiceTab.h"
#include "FtpTab.h"
#include "MailTab.h"
#include "PageInspectorTab.h"
#include "SystemTab.h"
#include "UserLookupsTab.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTimer>
#include <QtTest>

using namespace kestrune::lookup;

using namespace kestrune::app;

namespace {

const char* const kRouterPage = "<html><body>WAN IP: 10.1.2.3 Mask</body></html>";

// The two external services pointed at local pages; the texts must outlive the window.
struct LocalServices {
    std::string first, second;
    void install(MainWindow& form)
    {
        form.externalServices() = {ExternalService{first, "first.example"}, ExternalService{second, "second.example"}};
    }
};

} // namespace

class LookupWindowTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }
    void getIpRefusesWithItsMessages_data();
    void getIpRefusesWithItsMessages();
    void getIpShowsTheAddressInThreePlaces();
    void pageWithoutKeywordGivesPlaceholder();
    void failedLookupClearsDisplayTitleAndStatus();
    void externalServicesAndTheirTenMinuteBlock();
    void externalLookupClearsDisplayAndShowsStatusWhileWaiting();
    void slowPageShowsBusyStateUntilItAnswers();
    void unknownServiceTextSendsNothing();
    void radioButtonsKeepEachOtherExclusive();
    void neitherSourceCheckedScheduledLookupUsesThePage();
};

void LookupWindowTest::getIpRefusesWithItsMessages_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("keyword");
    QTest::addColumn<QString>("skip");
    QTest::addColumn<bool>("userDefined");
    QTest::addColumn<QString>("message");
    const QString missing = QStringLiteral("Required entry is missing!");
    const QString needUser =
        QStringLiteral("User-defined lookup radio button needs to be \r\nselected for Get IP button to work.");
    QTest::newRow("no url") << "" << "WAN IP:" << "0" << true << missing;
    QTest::newRow("no keyword") << "PAGE" << "" << "0" << true << missing;
    QTest::newRow("no skip count") << "PAGE" << "WAN IP:" << "" << true << missing;
    QTest::newRow("external source") << "PAGE" << "WAN IP:" << "0" << false << needUser;
    QTest::newRow("all missing, external") << "" << "" << "" << false << missing;
}

void LookupWindowTest::getIpRefusesWithItsMessages()
{
    QFETCH(QString, url);
    QFETCH(QString, keyword);
    QFETCH(QString, skip);
    QFETCH(bool, userDefined);
    QFETCH(QString, message);
    LocalPage page(kRouterPage);
    WindowFixture fixture;
    MainWindow& form = fixture.start();
    form.addressLabel()->setText(QStringLiteral("1.1.1.1"));
    form.userLookupsTab()->urlEdit()->setText(url == "PAGE" ? page.address() : url);
    form.pageInspectorTab()->keywordEdit()->setText(keyword);
    form.pageInspectorTab()->skipEdit()->setText(skip);
    form.externalServiceTab()->externalRadio()->setChecked(!userDefined);
    // The enable rule greys the button for empty fields; the handler must still refuse on its own.
    form.userLookupsTab()->getAddressButton()->setEnabled(true);
    QTest::mouseClick(form.userLookupsTab()->getAddressButton(), Qt::LeftButton);
    QCOMPARE(fixture.dialogs.messages(), QStringList{message});
    QCOMPARE(form.addressLabel()->text(), QStringLiteral("1.1.1.1"));
    QCOMPARE(page.requests(), 0);
}

void LookupWindowTest::getIpShowsTheAddressInThreePlaces()
{
    LocalPage page(kRouterPage);
    WindowFixture fixture;
    MainWindow& form = fixture.start();
    useUserDefinedPage(form, page.address());
    // A new address reaches the IP file only through the change actions.
    const std::string ipFile = fixture.folder.File("ip.txt");
    form.localFilesTab()->saveAddressCheck()->setChecked(true);
    form.localFilesTab()->addressFileEdit()->setText(QString::fromStdString(ipFile));
    for (QPushButton* button : {form.userLookupsTab()->getAddressButton(), form.pageInspectorTab()->testButton()}) {
        form.addressLabel()->clear();
        form.pageInspectorTab()->addressEdit()->clear();
        button->setEnabled(true);
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(form.addressLabel()->text(), QStringLiteral("10.1.2.3"));
        QCOMPARE(form.windowTitle(), QStringLiteral("Kestrune [10.1.2.3]"));
        QCOMPARE(form.pageInspectorTab()->addressEdit()->text(), QStringLiteral("10.1.2.3"));
        QVERIFY(form.statusLine()->currentMessage().isEmpty());
    }
    QCOMPARE(page.requests(), 2);
    // A lookup by itself never runs the change actions.
    QVERIFY(!std::filesystem::exists(ipFile));
    QVERIFY(fixture.dialogs.shown.isEmpty());
}

void LookupWindowTest::pageWithoutKeywordGivesPlaceholder()
{
    LocalPage page("<html>no address here</html>");
    WindowFixture fixture;
    MainWindow& form = fixture.start();
    useUserDefinedPage(form, page.address());
    form.onTestLookupClicked();
    QCOMPARE(form.addressLabel()->text(), QStringLiteral("---.---.---.---"));
    QCOMPARE(form.windowTitle(), QStringLiteral("Kestrune [---.---.---.---]"));
    QCOMPARE(form.pageInspectorTab()->addressEdit()->text(), QStringLiteral("---.---.---.---"));
}

void LookupWindowTest::failedLookupClearsDisplayTitleAndStatus()
{
    LocalPage page(statusPage(QString()));
    WindowFixture fixture;
    MainWindow& form = fixture.start();
    findAddress(form, page, QStringLiteral("1.1.1.1"));
    useUserDefinedPage(form, refusingAddress());
    form.statusLine()->showMessage(QStringLiteral("busy"));
    form.onTestLookupClicked();
    QVERIFY(form.addressLabel()->text().isEmpty());
    QVERIFY(form.windowTitle().isEmpty());
    QCOMPARE(form.pageInspectorTab()->addressEdit()->text(), QStringLiteral("1.1.1.1"));
    QVERIFY(form.statusLine()->currentMessage().isEmpty());
    QVERIFY(fixture.dialogs.shown.isEmpty());

    // A check's lookup does not clear the display first, so a failure leaves it as it was.
    findAddress(form, page, QStringLiteral("2.2.2.2"));
    form.monitor().setLastUploaded("2.2.2.2");
    useUserDefinedPage(form, refusingAddress());
    form.systemTab()->intervalSpin()->setValue(0);
    form.onStartClicked();
    QCOMPARE(form.addressLabel()->text(), QStringLiteral("2.2.2.2"));
}

void LookupWindowTest::externalServicesAndTheirTenMinuteBlock()
{
    LocalPage first("<html><body>Current IP Address: 203.0.113.7</body></html>");
    LocalPage second("<html>Your IP  Is 198.51.100.2 (more)</html>");
    LocalServices services{"http://" + first.address().toStdString(), "http://" + second.address().toStdString()};
    WindowFixture fixture;
    MainWindow& form = fixture.start();
    services.install(form);
    form.externalServiceTab()->externalRadio()->setChecked(true);
    QVERIFY(form.externalServiceTab()->lookupButton()->isEnabled());

    form.externalServiceTab()->serviceCombo()->setEditText(QString::fromStdString(services.first));
    QTest::mouseClick(form.externalServiceTab()->lookupButton(), Qt::LeftButton);
    QCOMPARE(form.addressLabel()->text(), QStringLiteral("203.0.113.7"));
    QVERIFY(form.monitor().serviceBlocked(0));
    QVERIFY(form.serviceBlockTimer(0)->isActive());
    QCOMPARE(form.serviceBlockTimer(0)->interval(), 600000);
    QVERIFY(!form.monitor().serviceBlocked(1));

    QTest::mouseClick(form.externalServiceTab()->lookupButton(), Qt::LeftButton);
    QCOMPARE(fixture.dialogs.messages(),
             QStringList{"first.example requests that their lookup services\r\n"
                         "are not requested at less than 10 minute intervals."});
    QCOMPARE(form.addressLabel()->text(), QStringLiteral("203.0.113.7"));
    QCOMPARE(first.requests(), 1);

    form.externalServiceTab()->serviceCombo()->setEditText(QString::fromStdString(services.second));
    QTest::mouseClick(form.externalServiceTab()->lookupButton(), Qt::LeftButton);
    QCOMPARE(form.addressLabel()->text(), QStringLiteral("198.51.100.2"));
    QVERIFY(form.monitor().serviceBlocked(1));
    QVERIFY(form.serviceBlockTimer(1)->isActive());

    form.onTimer(kestrune::core::TimerId::ServiceBlock1);
    QVERIFY(!form.monitor().serviceBlocked(0));
    QVERIFY(!form.serviceBlockTimer(0)->isActive());
    form.externalServiceTab()->serviceCombo()->setEditText(QString::fromStdString(services.first));
    QTest::mouseClick(form.externalServiceTab()->lookupButton(), Qt::LeftButton);
    QCOMPARE(first.requests(), 2);
    QCOMPARE(fixture.dialogs.messages().size(), 1);

    form.externalServiceTab()->serviceCombo()->setEditText(QString::fromStdString(services.second));
    QTest::mouseClick(form.externalServiceTab()->lookupButton(), Qt::LeftButton);
    QCOMPARE(fixture.dialogs.messages().last(),
             QStringLiteral("second.example requests that their lookup services\r\n"
                            "are not requested at less than 10 minute intervals."));
    QCOMPARE(second.requests(), 1);
}

void LookupWindowTest::externalLookupClearsDisplayAndShowsStatusWhileWaiting()
{
    SilentServer silent;
    LocalServices services{"http://" + silent.address().toStdString(), "http://unused.invalid/"};
    WindowFixture fixture;
    MainWindow& form = fixture.start();
    services.install(form);
    form.externalServiceTab()->externalRadio()->setChecked(true);
    form.externalServiceTab()->serviceCombo()->setEditText(QString::fromStdString(services.first));
    form.addressLabel()->setText(QStringLiteral("1.1.1.1"));
    QString statusWhileWaiting, displayWhileWaiting;
    QTimer::singleShot(100, &form, [&] {
        statusWhileWaiting = form.statusLine()->currentMessage();
        displayWhileWaiting = form.addressLabel()->text();
        silent.release();
    });
    form.onLookupClicked();
    QCOMPARE(statusWhileWaiting, QStringLiteral("Retrieving external IP address..."));
    QCOMPARE(displayWhileWaiting, QString());
    QVERIFY(form.addressLabel()->text().isEmpty());
    QVERIFY(form.statusLine()->currentMessage().isEmpty());
}

void LookupWindowTest::slowPageShowsBusyStateUntilItAnswers()
{
    SilentServer silent;
    WindowFixture fixture;
    MainWindow& form = fixture.start();
    form.show();
    useUserDefinedPage(form, silent.address() + QStringLiteral("/status.htm"));
    QList<QPushButton*> gated = {form.userLookupsTab()->getAddressButton(), form.pageInspectorTab()->testButton(),
                                 form.externalServiceTab()->lookupButton(), form.ftpTab()->uploadButton(),
                                 form.mailTab()->testMailButton(), form.systemTab()->startButton()};
    form.externalServiceTab()->lookupButton()->setEnabled(true);
    FtpTab* ftp = form.ftpTab();
    for (QLineEdit* field : {ftp->hostEdit(), ftp->usernameEdit(), ftp->passwordEdit(), ftp->templateEdit(),
                             ftp->remoteFileEdit()})
        field->setText(QStringLiteral("x"));
    QList<bool> before;
    for (QPushButton* button : gated)
        before << button->isEnabled();
    QVERIFY(form.externalServiceTab()->lookupButton()->isEnabled() && ftp->uploadButton()->isEnabled());

    QString status;
    Qt::CursorShape cursor = Qt::ArrowCursor;
    Qt::CursorShape otherCursor = Qt::ArrowCursor;
    QList<bool> during;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &form, [&] {
        if (!silent.waitForConnection(0))
            return;
        poll.stop();
        status = form.statusLine()->currentMessage();
        cursor = form.cursor().shape();
        otherCursor = QApplication::overrideCursor() ? QApplication::overrideCursor()->shape() : Qt::ArrowCursor;
        for (QPushButton* button : gated)
            during << button->isEnabled();
        // Meanwhile the window asks for the Get IP button; it comes back only after the wait. The user chooses
        // the user-defined source and empties the FTP host: their buttons' rules turn them off meanwhile.
        form.userLookupsTab()->getAddressButton()->setEnabled(false);
        form.userLookupsTab()->getAddressButton()->setEnabled(true);
        form.onUserDefinedChosen();
        ftp->hostEdit()->clear();
        silent.release();
    });
    poll.start(10);
    QTest::mouseClick(form.userLookupsTab()->getAddressButton(), Qt::LeftButton);

    QCOMPARE(status, QStringLiteral("Looking up the address at 127.0.0.1\u2026"));
    QCOMPARE(cursor, Qt::BusyCursor);
    QCOMPARE(otherCursor, Qt::ArrowCursor);  // other programs keep their cursor
    QCOMPARE(during, QList<bool>(gated.size(), false));
    QCOMPARE(form.cursor().shape(), Qt::ArrowCursor);
    QVERIFY(form.statusLine()->currentMessage().isEmpty());
    QList<bool> after;
    for (QPushButton* button : gated)
        after << button->isEnabled();
    before[2] = before[3] = false;  // the service's Test and Upload, as their rules give them now
    QCOMPARE(after, before);
}

void LookupWindowTest::unknownServiceTextSendsNothing()
{
    WindowFixture fixture;
    MainWindow& form = fixture.start();
    form.externalServiceTab()->externalRadio()->setChecked(true);
    form.externalServiceTab()->serviceCombo()->setEditText(QString());  // a typed URL is fetched; an empty text is not
    form.onLookupClicked();
    QCOMPARE(form.addressLabel()->text(), QStringLiteral("---.---.---.---"));
    QCOMPARE(form.windowTitle(), QStringLiteral("Kestrune [---.---.---.---]"));
    QVERIFY(!form.monitor().serviceBlocked(0) && !form.monitor().serviceBlocked(1));
    QVERIFY(!form.serviceBlockTimer(0)->isActive() && !form.serviceBlockTimer(1)->isActive());
}

// A click on the button's indicator (the widget may be wider than its caption).
void clickRadio(QRadioButton* button)
{
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(8, button->height() / 2));
}

void LookupWindowTest::radioButtonsKeepEachOtherExclusive()
{
    WindowFixture fixture;
    MainWindow& form = fixture.start();
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.tabs()->setCurrentWidget(form.externalServiceTab());
    clickRadio(form.externalServiceTab()->externalRadio());
    QVERIFY(form.externalServiceTab()->externalRadio()->isChecked());
    QVERIFY(!form.userLookupsTab()->userDefinedRadio()->isChecked());
    QVERIFY(form.externalServiceTab()->lookupButton()->isEnabled());
    clickRadio(form.externalServiceTab()->externalRadio());
    QVERIFY(form.externalServiceTab()->externalRadio()->isChecked());

    form.tabs()->setCurrentWidget(form.userLookupsTab());
    clickRadio(form.userLookupsTab()->userDefinedRadio());
    QVERIFY(form.userLookupsTab()->userDefinedRadio()->isChecked());
    QVERIFY(!form.externalServiceTab()->externalRadio()->isChecked());
    QVERIFY(!form.externalServiceTab()->lookupButton()->isEnabled());
    clickRadio(form.userLookupsTab()->userDefinedRadio());
    QVERIFY(form.userLookupsTab()->userDefinedRadio()->isChecked());
}

void LookupWindowTest::neitherSourceCheckedScheduledLookupUsesThePage()
{
    LocalPage page(kRouterPage);
    WindowFixture fixture;
    fixture.writeSettings("[Lookup]\nExternal=0\nuserDefined=0\n");
    MainWindow& form = fixture.start();
    QVERIFY(!form.externalServiceTab()->externalRadio()->isChecked() && !form.userLookupsTab()->userDefinedRadio()->isChecked());
    form.userLookupsTab()->urlEdit()->setText(page.address());
    form.pageInspectorTab()->keywordEdit()->setText(QStringLiteral("WAN IP:"));
    form.pageInspectorTab()->skipEdit()->setText(QStringLiteral("0"));
    form.onTestLookupClicked();
    QCOMPARE(page.requests(), 0);
    QCOMPARE(fixture.dialogs.messages().size(), 1);
    form.systemTab()->intervalSpin()->setValue(0);
    form.onStartClicked();
    QCOMPARE(page.requests(), 1);
    QCOMPARE(form.addressLabel()->text(), QStringLiteral("10.1.2.3"));
}

QTEST_MAIN(LookupWindowTest)
#include "LookupWindowTest.moc"
