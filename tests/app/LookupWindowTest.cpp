#include "FormFixture.h"
#include "LocalPage.h"
#include "SpinEdit.h"
#include "WatchedForm.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTimer>
#include <QtTest>

namespace {

const char* const kRouterPage = "<html><body>WAN IP: 10.1.2.3 Mask</body></html>";

void UseUserDefinedPage(TForm1& form, const QString& address, const QString& keyword = QStringLiteral("WAN IP:"))
{
    form.rbUserDefined->setChecked(true);
    form.edURL->setText(address);
    form.edKeyword->setText(keyword);
    form.edChartoSkip->setText(QStringLiteral("0"));
}

// The two external services pointed at local pages; the texts must outlive the window.
struct TLocalServices {
    std::string first, second;
    void Install(TForm1& form)
    {
        form.ExternalServices = {TExternalService{first, "first.example"}, TExternalService{second, "second.example"}};
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
    TLocalPage page(kRouterPage);
    TFormFixture fixture;
    TForm1& form = fixture.Start();
    form.Panel1->setText(QStringLiteral("1.1.1.1"));
    form.edURL->setText(url == "PAGE" ? page.Address() : url);
    form.edKeyword->setText(keyword);
    form.edChartoSkip->setText(skip);
    form.rbExternal->setChecked(!userDefined);
    // The enable rule greys the button for empty fields; the handler must still refuse on its own.
    form.btnGetIP->setEnabled(true);
    QTest::mouseClick(form.btnGetIP, Qt::LeftButton);
    QCOMPARE(fixture.Dialogs.Messages(), QStringList{message});
    QCOMPARE(form.Panel1->text(), QStringLiteral("1.1.1.1"));
    QCOMPARE(page.Requests(), 0);
}

void LookupWindowTest::getIpShowsTheAddressInThreePlaces()
{
    TLocalPage page(kRouterPage);
    TFormFixture fixture;
    auto& form = fixture.Start<TWatchedForm>();
    UseUserDefinedPage(form, page.Address());
    for (QPushButton* button : {form.btnGetIP, form.btnTest}) {
        form.Panel1->clear();
        form.edIPAddress->clear();
        button->setEnabled(true);
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(form.Panel1->text(), QStringLiteral("10.1.2.3"));
        QCOMPARE(form.windowTitle(), QStringLiteral("Kestrune [10.1.2.3]"));
        QCOMPARE(form.edIPAddress->text(), QStringLiteral("10.1.2.3"));
        QVERIFY(form.StatusBar1->currentMessage().isEmpty());
    }
    QCOMPARE(page.Requests(), 2);
    // A lookup by itself never runs the change handler.
    QVERIFY(form.ChangeCalls.isEmpty());
    QVERIFY(fixture.Dialogs.Shown.isEmpty());
}

void LookupWindowTest::pageWithoutKeywordGivesPlaceholder()
{
    TLocalPage page("<html>no address here</html>");
    TFormFixture fixture;
    TForm1& form = fixture.Start();
    UseUserDefinedPage(form, page.Address());
    form.btnTestClick(form.btnGetIP);
    QCOMPARE(form.Panel1->text(), QStringLiteral("---.---.---.---"));
    QCOMPARE(form.windowTitle(), QStringLiteral("Kestrune [---.---.---.---]"));
    QCOMPARE(form.edIPAddress->text(), QStringLiteral("---.---.---.---"));
}

void LookupWindowTest::failedLookupClearsDisplayTitleAndStatus()
{
    TFormFixture fixture;
    TForm1& form = fixture.Start();
    UseUserDefinedPage(form, RefusingAddress());
    form.Panel1->setText(QStringLiteral("1.1.1.1"));
    form.edIPAddress->setText(QStringLiteral("1.1.1.1"));
    form.StatusBar1->showMessage(QStringLiteral("busy"));
    form.btnTestClick(form.btnGetIP);
    QVERIFY(form.Panel1->text().isEmpty());
    QVERIFY(form.windowTitle().isEmpty());
    QCOMPARE(form.edIPAddress->text(), QStringLiteral("1.1.1.1"));
    QVERIFY(form.StatusBar1->currentMessage().isEmpty());
    QVERIFY(fixture.Dialogs.Shown.isEmpty());

    // The scheduler's lookup does not clear the display first, so a failure leaves it as it was.
    form.Panel1->setText(QStringLiteral("2.2.2.2"));
    form.SetOutsideIP(&form);
    QCOMPARE(form.Panel1->text(), QStringLiteral("2.2.2.2"));
}

void LookupWindowTest::externalServicesAndTheirTenMinuteBlock()
{
    TLocalPage first("<html><body>Current IP Address: 203.0.113.7</body></html>");
    TLocalPage second("<html>Your IP  Is 198.51.100.2 (more)</html>");
    TLocalServices services{"http://" + first.Address().toStdString(), "http://" + second.Address().toStdString()};
    TFormFixture fixture;
    TForm1& form = fixture.Start();
    services.Install(form);
    form.rbExternal->setChecked(true);
    QVERIFY(form.Button12->isEnabled());

    form.cboxDNS->setEditText(QString::fromStdString(services.first));
    QTest::mouseClick(form.Button12, Qt::LeftButton);
    QCOMPARE(form.Panel1->text(), QStringLiteral("203.0.113.7"));
    QVERIFY(form.DNSBlocked1);
    QVERIFY(form.DNSBlock1->isActive());
    QCOMPARE(form.DNSBlock1->interval(), 600000);
    QVERIFY(!form.DNSBlocked2);

    form.Panel1->setText(QStringLiteral("unchanged"));
    QTest::mouseClick(form.Button12, Qt::LeftButton);
    QCOMPARE(fixture.Dialogs.Messages(),
             QStringList{"first.example requests that their lookup services\r\n"
                         "are not requested at less than 10 minute intervals."});
    QCOMPARE(form.Panel1->text(), QStringLiteral("unchanged"));
    QCOMPARE(first.Requests(), 1);

    form.cboxDNS->setEditText(QString::fromStdString(services.second));
    QTest::mouseClick(form.Button12, Qt::LeftButton);
    QCOMPARE(form.Panel1->text(), QStringLiteral("198.51.100.2"));
    QVERIFY(form.DNSBlocked2);
    QVERIFY(form.DNSBlock2->isActive());

    form.DNSBlock1Timer();
    QVERIFY(!form.DNSBlocked1);
    QVERIFY(!form.DNSBlock1->isActive());
    form.cboxDNS->setEditText(QString::fromStdString(services.first));
    QTest::mouseClick(form.Button12, Qt::LeftButton);
    QCOMPARE(first.Requests(), 2);
    QCOMPARE(fixture.Dialogs.Messages().size(), 1);

    form.cboxDNS->setEditText(QString::fromStdString(services.second));
    QTest::mouseClick(form.Button12, Qt::LeftButton);
    QCOMPARE(fixture.Dialogs.Messages().last(),
             QStringLiteral("second.example requests that their lookup services\r\n"
                            "are not requested at less than 10 minute intervals."));
    QCOMPARE(second.Requests(), 1);
}

void LookupWindowTest::externalLookupClearsDisplayAndShowsStatusWhileWaiting()
{
    TSilentServer silent;
    TLocalServices services{"http://" + silent.Address().toStdString(), "http://unused.invalid/"};
    TFormFixture fixture;
    TForm1& form = fixture.Start();
    services.Install(form);
    form.rbExternal->setChecked(true);
    form.cboxDNS->setEditText(QString::fromStdString(services.first));
    form.Panel1->setText(QStringLiteral("1.1.1.1"));
    QString statusWhileWaiting, displayWhileWaiting;
    QTimer::singleShot(100, &form, [&] {
        statusWhileWaiting = form.StatusBar1->currentMessage();
        displayWhileWaiting = form.Panel1->text();
        silent.Release();
    });
    form.SetOutsideIP(&form);
    QCOMPARE(statusWhileWaiting, QStringLiteral("Retrieving external IP address..."));
    QCOMPARE(displayWhileWaiting, QString());
    QVERIFY(form.Panel1->text().isEmpty());
    QVERIFY(form.StatusBar1->currentMessage().isEmpty());
}

void LookupWindowTest::unknownServiceTextSendsNothing()
{
    TFormFixture fixture;
    TForm1& form = fixture.Start();
    form.rbExternal->setChecked(true);
    form.cboxDNS->setEditText(QString());  // a typed URL is fetched; an empty text is not
    form.Button12Click(form.Button12);
    QCOMPARE(form.Panel1->text(), QStringLiteral("---.---.---.---"));
    QCOMPARE(form.windowTitle(), QStringLiteral("Kestrune [---.---.---.---]"));
    QVERIFY(!form.DNSBlocked1 && !form.DNSBlocked2);
    QVERIFY(!form.DNSBlock1->isActive() && !form.DNSBlock2->isActive());
}

// A click on the button's indicator (the widget may be wider than its caption).
void ClickRadio(QRadioButton* button)
{
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(8, button->height() / 2));
}

void LookupWindowTest::radioButtonsKeepEachOtherExclusive()
{
    TFormFixture fixture;
    TForm1& form = fixture.Start();
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.PageControl9->setCurrentWidget(form.TsExternal);
    ClickRadio(form.rbExternal);
    QVERIFY(form.rbExternal->isChecked());
    QVERIFY(!form.rbUserDefined->isChecked());
    QVERIFY(form.Button12->isEnabled());
    ClickRadio(form.rbExternal);
    QVERIFY(form.rbExternal->isChecked());

    form.PageControl9->setCurrentWidget(form.TsUser);
    ClickRadio(form.rbUserDefined);
    QVERIFY(form.rbUserDefined->isChecked());
    QVERIFY(!form.rbExternal->isChecked());
    QVERIFY(!form.Button12->isEnabled());
    ClickRadio(form.rbUserDefined);
    QVERIFY(form.rbUserDefined->isChecked());
}

void LookupWindowTest::neitherSourceCheckedScheduledLookupUsesThePage()
{
    TLocalPage page(kRouterPage);
    TFormFixture fixture;
    fixture.WriteSettings("[Lookup]\nExternal=0\nuserDefined=0\n");
    TForm1& form = fixture.Start();
    QVERIFY(!form.rbExternal->isChecked() && !form.rbUserDefined->isChecked());
    form.edURL->setText(page.Address());
    form.edKeyword->setText(QStringLiteral("WAN IP:"));
    form.edChartoSkip->setText(QStringLiteral("0"));
    form.btnTestClick(form.btnGetIP);
    QCOMPARE(page.Requests(), 0);
    QCOMPARE(fixture.Dialogs.Messages().size(), 1);
    form.SpinEdit1->SetValue(0);
    form.btnStartClick(form.btnStart);
    QCOMPARE(page.Requests(), 1);
    QCOMPARE(form.Panel1->text(), QStringLiteral("10.1.2.3"));
}

QTEST_MAIN(LookupWindowTest)
#include "LookupWindowTest.moc"
