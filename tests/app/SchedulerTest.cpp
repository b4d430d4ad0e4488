#include "FormFixture.h"
#include "FormSteps.h"
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

const char* const kPage = "<html><body>WAN IP: 10.1.2.3 Mask</body></html>";

// A watched window whose user-defined lookup reads the page.
struct TPageRig {
    TPageRig() { UseUserDefinedPage(form, page.Address()); }
    TLocalPage page{kPage};
    TFormFixture fixture;
    TWatchedForm& form = fixture.Start<TWatchedForm>();
};

// Settings whose selected router entry reads the page, with the interval and the start-up box.
void WriteRouterSettings(const TFormFixture& fixture, const TLocalPage& page, int interval, bool autoStart)
{
    fixture.WriteSettings("[Router]\nSelectedRouter=0\n[Routers]\nHome=1\n[RoutersData]\n1," +
                          page.Address().toStdString() + ",WAN IP:,0=0\n[System]\nInterval=" +
                          std::to_string(interval) + "\nAutoStart=" + (autoStart ? "1" : "0") + "\n");
}

} // namespace

class SchedulerTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }
    void ninetyMinutesOnALocalPage();
    void intervalRuleWhenLeavingTheBox_data();
    void intervalRuleWhenLeavingTheBox();
    void externalSourceRaisesFiveToTenAtStart();
    void localPageKeepsFiveForTheFirstRunOnly();
    void afterStartAndStopTypedIntervalsBecomeTen_data();
    void afterStartAndStopTypedIntervalsBecomeTen();
    void manualModeRunsOneCheckPerPress();
    void scheduledCheckLeavesEmptyOrErrorAlone_data();
    void scheduledCheckLeavesEmptyOrErrorAlone();
    void errorEscapingACheckKeepsTheSchedule();
    void autoStartWithIntervalZeroChecksOnceBeforeShow();
    void autoStartWithIntervalStartsScheduler();
    void noAutoStartNoCheck();
};

void SchedulerTest::ninetyMinutesOnALocalPage()
{
    TPageRig rig;
    auto& [page, fixture, form] = rig;
    form.SpinEdit1->SetValue(90);
    QCOMPARE(form.Panel41->text(), QStringLiteral("1 hr : 30 min"));

    form.btnStartClick(form.btnStart);
    QCOMPARE(form.Panel30->text(), QStringLiteral("90"));
    QCOMPARE(page.Requests(), 1);
    QCOMPARE(form.Panel1->text(), QStringLiteral("10.1.2.3"));
    QCOMPARE(form.windowTitle(), QStringLiteral("Kestrune [10.1.2.3]"));
    QCOMPARE(form.ChangeCalls, QStringList{"10.1.2.3"});
    QVERIFY(form.Timer1->isActive());
    QVERIFY(!form.btnStart->isEnabled());
    QVERIFY(form.btnStopFTP->isEnabled());
    QVERIFY(!form.SpinEdit1->isEnabled());
    QCOMPARE(form.SpinEdit1->MinValue(), 10);

    Ticks(form, 1);
    QCOMPARE(form.Panel30->text(), QStringLiteral("1 hr : 29 min"));
    Ticks(form, 88);
    QCOMPARE(form.Panel30->text(), QStringLiteral("0 hr : 1 min"));
    QCOMPARE(page.Requests(), 1);
    Ticks(form, 1);
    QCOMPARE(page.Requests(), 2);
    QCOMPARE(form.Panel30->text(), QStringLiteral("90"));
    QCOMPARE(form.ChangeCalls.size(), 2);

    form.LastUploadedIP = QStringLiteral("10.1.2.3");
    Ticks(form, 90);
    QCOMPARE(page.Requests(), 3);
    QCOMPARE(form.ChangeCalls.size(), 2);
    QVERIFY(fixture.Dialogs.Shown.isEmpty());
}

void SchedulerTest::intervalRuleWhenLeavingTheBox_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("url");
    QTest::addColumn<int>("interval");
    QTest::addColumn<int>("expected");
    QTest::newRow("external 5") << "external" << "" << 5 << 10;
    QTest::newRow("external 1") << "external" << "" << 1 << 10;
    QTest::newRow("external 10") << "external" << "" << 10 << 10;
    QTest::newRow("external 11") << "external" << "" << 11 << 11;
    QTest::newRow("external 0") << "external" << "" << 0 << 0;
    QTest::newRow("router 192") << "user" << "192.168.1.1/Status.htm" << 5 << 5;
    QTest::newRow("router 10") << "user" << "10.0.0.138/x" << 5 << 5;
    QTest::newRow("loopback") << "user" << "127.0.0.1" << 5 << 5;
    QTest::newRow("router 172") << "user" << "172.16.0.1/s" << 3 << 3;
    QTest::newRow("carrier-grade 100") << "user" << "100.64.0.1/x" << 5 << 10;
    QTest::newRow("a name") << "user" << "router.home/status" << 5 << 10;
    QTest::newRow("no dot") << "user" << "192-168-1-1/status" << 5 << 10;
    QTest::newRow("neither source") << "neither" << "example.org/x" << 5 << 5;
}

void SchedulerTest::intervalRuleWhenLeavingTheBox()
{
    QFETCH(QString, source);
    QFETCH(QString, url);
    QFETCH(int, interval);
    QFETCH(int, expected);
    TFormFixture fixture;
    TForm1& form = fixture.Start();
    form.rbExternal->setChecked(source == "external");
    form.rbUserDefined->setChecked(source == "user");
    form.edURL->setText(url);
    form.SpinEdit1->SetValue(interval);
    LeaveIntervalBox(form);
    QCOMPARE(form.SpinEdit1->Value(), expected);
    QVERIFY(!form.Timer1->isActive());
}

void SchedulerTest::externalSourceRaisesFiveToTenAtStart()
{
    TFormFixture fixture;
    auto& form = fixture.Start<TWatchedForm>();
    form.rbExternal->setChecked(true);
    // An empty service text sends no request.
    form.cboxDNS->setEditText(QString());
    form.SpinEdit1->SetValue(5);
    form.btnStartClick(form.btnStart);
    QCOMPARE(form.SpinEdit1->Text(), QStringLiteral("10"));
    QCOMPARE(form.Panel30->text(), QStringLiteral("10"));
    QCOMPARE(form.Panel1->text(), QStringLiteral("---.---.---.---"));
    QCOMPARE(form.windowTitle(), QStringLiteral("Kestrune [---.---.---.---]"));
}

void SchedulerTest::localPageKeepsFiveForTheFirstRunOnly()
{
    TPageRig rig;
    auto& [page, fixture, form] = rig;
    form.SpinEdit1->SetValue(5);
    form.btnStartClick(form.btnStart);
    QCOMPARE(form.SpinEdit1->Value(), 5);
    QCOMPARE(form.Panel30->text(), QStringLiteral("5"));
    Ticks(form, 5);
    QCOMPARE(page.Requests(), 2);

    form.btnStopFTPClick(form.btnStopFTP);
    QVERIFY(!form.Timer1->isActive());
    QVERIFY(form.btnStart->isEnabled());
    QVERIFY(!form.btnStopFTP->isEnabled());
    QVERIFY(form.SpinEdit1->isEnabled());
    QVERIFY(form.Panel30->text().isEmpty());
    QCOMPARE(form.Countdown, 5);

    form.btnStartClick(form.btnStart);
    QCOMPARE(form.SpinEdit1->Value(), 10);
    QCOMPARE(form.Panel30->text(), QStringLiteral("10"));
    QCOMPARE(page.Requests(), 3);
}

void SchedulerTest::afterStartAndStopTypedIntervalsBecomeTen_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("expected");
    QTest::newRow("0") << "0" << "10";
    QTest::newRow("5") << "5" << "10";
    QTest::newRow("25") << "25" << "25";
    QTest::newRow("9999") << "9999" << "2880";
}

void SchedulerTest::afterStartAndStopTypedIntervalsBecomeTen()
{
    QFETCH(QString, typed);
    QFETCH(QString, expected);
    TPageRig rig;
    auto& [page, fixture, form] = rig;
    form.btnStartClick(form.btnStart);
    form.btnStopFTPClick(form.btnStopFTP);
    form.SpinEdit1->SetText(QString());
    QTest::keyClicks(form.SpinEdit1, typed);
    QCOMPARE(form.SpinEdit1->Text(), typed);
    LeaveIntervalBox(form);
    QCOMPARE(form.SpinEdit1->Text(), expected);
}

void SchedulerTest::manualModeRunsOneCheckPerPress()
{
    TPageRig rig;
    auto& [page, fixture, form] = rig;
    form.SpinEdit1->SetValue(0);
    QCOMPARE(form.Panel30->text(), QStringLiteral("Manual"));
    QCOMPARE(form.btnStart->text(), QStringLiteral("Update"));
    QVERIFY(!form.Label38->isEnabled());
    QCOMPARE(form.cbAutoStartRefresh->text(), QStringLiteral("Check once at startup"));
    for (int press = 1; press <= 2; ++press) {
        form.btnStartClick(form.btnStart);
        QCOMPARE(page.Requests(), press);
        QVERIFY(!form.Timer1->isActive());
        QVERIFY(form.btnStart->isEnabled());
        QVERIFY(!form.btnStopFTP->isEnabled());
        QVERIFY(form.SpinEdit1->isEnabled());
        QCOMPARE(form.Panel30->text(), QStringLiteral("Manual"));
    }
    QCOMPARE(form.SpinEdit1->MinValue(), 0);
    form.SpinEdit1->SetValue(20);
    QCOMPARE(form.btnStart->text(), QStringLiteral("Start"));
    QVERIFY(form.Label38->isEnabled());
    QCOMPARE(form.cbAutoStartRefresh->text(), QStringLiteral("Start automatically"));
}

void SchedulerTest::scheduledCheckLeavesEmptyOrErrorAlone_data()
{
    QTest::addColumn<QString>("display");
    QTest::newRow("Error") << "Error";
    QTest::newRow("empty") << "";
}

void SchedulerTest::scheduledCheckLeavesEmptyOrErrorAlone()
{
    QFETCH(QString, display);
    TFormFixture fixture;
    auto& form = fixture.Start<TWatchedForm>();
    // A failing user-defined lookup leaves the address display as it was.
    UseUserDefinedPage(form, RefusingAddress());
    form.LastUploadedIP = QStringLiteral("1.2.3.4");
    form.SpinEdit1->SetValue(1);
    form.Panel1->setText(display);
    form.btnStartClick(form.btnStart);
    QCOMPARE(form.Panel1->text(), display);
    QCOMPARE(form.ChangeCalls, QStringList{display});
    QVERIFY(form.StatusBar1->currentMessage().isEmpty());

    Ticks(form, 1);
    QCOMPARE(form.Panel1->text(), display);
    QCOMPARE(form.ChangeCalls.size(), 1);
    QCOMPARE(form.Panel30->text(), QStringLiteral("1"));
    QVERIFY(fixture.Dialogs.Shown.isEmpty());
}

void SchedulerTest::errorEscapingACheckKeepsTheSchedule()
{
    TPageRig rig;
    auto& [page, fixture, form] = rig;
    form.FailWith = QStringLiteral("I/O error 103");
    form.SpinEdit1->SetValue(2);
    // Structured bindings cannot be captured by every compiler the suite is built with.
    TWatchedForm& watched = form;
    watched.Guarded([&watched] { watched.btnStartClick(watched.btnStart); });
    QCOMPARE(fixture.Dialogs.Errors(), QStringList{"I/O error 103"});
    QVERIFY(form.Timer1->isActive());

    Ticks(form, 2);
    QCOMPARE(page.Requests(), 2);
    QCOMPARE(fixture.Dialogs.Errors().size(), 2);
    QCOMPARE(form.Countdown, 2);
    QCOMPARE(form.Panel30->text(), QStringLiteral("2"));
    Ticks(form, 2);
    QCOMPARE(page.Requests(), 3);
    QCOMPARE(form.ChangeCalls.size(), 3);
}

void SchedulerTest::autoStartWithIntervalZeroChecksOnceBeforeShow()
{
    TLocalPage page(kPage);
    TFormFixture fixture;
    WriteRouterSettings(fixture, page, 0, true);
    TForm1& form = fixture.Start();
    QVERIFY(!form.isVisible());
    QCOMPARE(page.Requests(), 1);
    QCOMPARE(form.Panel1->text(), QStringLiteral("10.1.2.3"));
    QCOMPARE(form.edIPAddress->text(), QStringLiteral("10.1.2.3"));
    QCOMPARE(form.cbAutoStartRefresh->text(), QStringLiteral("Check once at startup"));
    QVERIFY(!form.Timer1->isActive());
    QVERIFY(form.btnStart->isEnabled());
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QCOMPARE(page.Requests(), 1);
}

void SchedulerTest::autoStartWithIntervalStartsScheduler()
{
    TLocalPage page(kPage);
    TFormFixture fixture;
    WriteRouterSettings(fixture, page, 15, true);
    TForm1& form = fixture.Start();
    QCOMPARE(page.Requests(), 1);
    QVERIFY(form.Timer1->isActive());
    QCOMPARE(form.Panel30->text(), QStringLiteral("15"));
    QCOMPARE(form.windowTitle(), QStringLiteral("Kestrune [10.1.2.3]"));
}

void SchedulerTest::noAutoStartNoCheck()
{
    TLocalPage page(kPage);
    TFormFixture fixture;
    WriteRouterSettings(fixture, page, 0, false);
    TForm1& form = fixture.Start();
    QCOMPARE(form.edURL->text(), page.Address());
    QCOMPARE(page.Requests(), 0);
    QVERIFY(form.Panel1->text().isEmpty());
}

QTEST_MAIN(SchedulerTest)
#include "SchedulerTest.moc"
