#include "LocalPage.h"
#include "SpinBox.h"
#include "WindowFixture.h"
#include "WindowSteps.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTimer>
#include <QSignalSpy>
#include <QtTest>

using namespace kestrune::app;

namespace {

const char* const kPage = "<html><body>WAN IP: 10.1.2.3 Mask</body></html>";

// A window whose user-defined lookup reads the page.
struct PageRig {
    PageRig() { useUserDefinedPage(form, page.address()); }
    LocalPage page{kPage};
    WindowFixture fixture;
    MainWindow& form = fixture.start();
};

// Settings whose selected router entry reads the page, with the interval and the start-up box.
void WriteRouterSettings(const WindowFixture& fixture, const LocalPage& page, int interval, bool autoStart)
{
    fixture.writeSettings("[Router]\nSelectedRouter=0\n[Routers]\nHome=1\n[RoutersData]\n1," +
                          page.address().toStdString() + ",WAN IP:,0=0\n[System]\nInterval=" +
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
    void scheduledCheckLeavesErrorAlone();
    void autoStartWithIntervalZeroChecksOnce();
    void autoStartWithIntervalStartsScheduler();
    void noAutoStartNoCheck();
};

void SchedulerTest::ninetyMinutesOnALocalPage()
{
    PageRig rig;
    auto& [page, fixture, form] = rig;
    form.systemTab()->intervalSpin()->setValue(90);
    QCOMPARE(form.systemTab()->intervalLabel()->text(), QStringLiteral("1 hr : 30 min"));

    form.onStartClicked();
    QCOMPARE(form.systemTab()->countdownLabel()->text(), QStringLiteral("90"));
    QCOMPARE(page.requests(), 1);
    QCOMPARE(form.addressLabel()->text(), QStringLiteral("10.1.2.3"));
    QCOMPARE(form.windowTitle(), QStringLiteral("Kestrune [10.1.2.3]"));
    QVERIFY(form.checkTimer()->isActive());
    QVERIFY(!form.systemTab()->startButton()->isEnabled());
    QVERIFY(form.systemTab()->stopButton()->isEnabled());
    QVERIFY(!form.systemTab()->intervalSpin()->isEnabled());
    QCOMPARE(form.systemTab()->intervalSpin()->minValue(), 10);

    ticks(form, 1);
    QCOMPARE(form.systemTab()->countdownLabel()->text(), QStringLiteral("1 hr : 29 min"));
    ticks(form, 88);
    QCOMPARE(form.systemTab()->countdownLabel()->text(), QStringLiteral("0 hr : 1 min"));
    QCOMPARE(page.requests(), 1);
    ticks(form, 1);
    QCOMPARE(page.requests(), 2);
    QCOMPARE(form.systemTab()->countdownLabel()->text(), QStringLiteral("90"));

    form.monitor().setLastUploaded("10.1.2.3");
    ticks(form, 90);
    QCOMPARE(page.requests(), 3);
    QVERIFY(fixture.dialogs.shown.isEmpty());
}

void SchedulerTest::intervalRuleWhenLeavingTheBox_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("expected");
    QTest::newRow("external 5") << "external" << "" << "5" << "10";
    QTest::newRow("external 1") << "external" << "" << "1" << "10";
    QTest::newRow("external 10") << "external" << "" << "10" << "10";
    QTest::newRow("external 11") << "external" << "" << "11" << "11";
    QTest::newRow("external 0") << "external" << "" << "0" << "0";
    QTest::newRow("router 192") << "user" << "192.168.1.1/Status.htm" << "5" << "5";
    QTest::newRow("router 10") << "user" << "10.0.0.138/x" << "5" << "5";
    QTest::newRow("loopback") << "user" << "127.0.0.1" << "5" << "5";
    QTest::newRow("router 172") << "user" << "172.16.0.1/s" << "3" << "3";
    QTest::newRow("carrier-grade 100") << "user" << "100.64.0.1/x" << "5" << "10";
    QTest::newRow("a name") << "user" << "router.home/status" << "5" << "10";
    QTest::newRow("no dot") << "user" << "192-168-1-1/status" << "5" << "10";
    QTest::newRow("neither source") << "neither" << "example.org/x" << "5" << "5";
    // The rule writes its value into the box even when the value does not change.
    QTest::newRow("leading zero") << "external" << "" << "010" << "10";
    QTest::newRow("plus sign") << "external" << "" << "+10" << "10";
    QTest::newRow("empty box") << "external" << "" << "" << "0";
}

void SchedulerTest::intervalRuleWhenLeavingTheBox()
{
    QFETCH(QString, source);
    QFETCH(QString, url);
    QFETCH(QString, typed);
    QFETCH(QString, expected);
    WindowFixture fixture;
    MainWindow& form = fixture.start();
    form.externalServiceTab()->externalRadio()->setChecked(source == "external");
    form.userLookupsTab()->userDefinedRadio()->setChecked(source == "user");
    form.userLookupsTab()->urlEdit()->setText(url);
    form.systemTab()->intervalSpin()->setText(typed);
    leaveIntervalBox(form);
    QCOMPARE(form.systemTab()->intervalSpin()->text(), expected);
    QVERIFY(!form.checkTimer()->isActive());
}

void SchedulerTest::externalSourceRaisesFiveToTenAtStart()
{
    WindowFixture fixture;
    MainWindow& form = fixture.start();
    form.externalServiceTab()->externalRadio()->setChecked(true);
    // An empty service text sends no request.
    form.externalServiceTab()->serviceCombo()->setEditText(QString());
    form.systemTab()->intervalSpin()->setValue(5);
    form.onStartClicked();
    QCOMPARE(form.systemTab()->intervalSpin()->text(), QStringLiteral("10"));
    QCOMPARE(form.systemTab()->countdownLabel()->text(), QStringLiteral("10"));
    QCOMPARE(form.addressLabel()->text(), QStringLiteral("---.---.---.---"));
    QCOMPARE(form.windowTitle(), QStringLiteral("Kestrune [---.---.---.---]"));
}

void SchedulerTest::localPageKeepsFiveForTheFirstRunOnly()
{
    PageRig rig;
    auto& [page, fixture, form] = rig;
    form.systemTab()->intervalSpin()->setValue(5);
    form.onStartClicked();
    QCOMPARE(form.systemTab()->intervalSpin()->value(), 5);
    QCOMPARE(form.systemTab()->countdownLabel()->text(), QStringLiteral("5"));
    ticks(form, 5);
    QCOMPARE(page.requests(), 2);

    form.onStopClicked();
    QVERIFY(!form.checkTimer()->isActive());
    QVERIFY(form.systemTab()->startButton()->isEnabled());
    QVERIFY(!form.systemTab()->stopButton()->isEnabled());
    QVERIFY(form.systemTab()->intervalSpin()->isEnabled());
    QVERIFY(form.systemTab()->countdownLabel()->text().isEmpty());
    QCOMPARE(form.monitor().countdown(), 5);

    form.onStartClicked();
    QCOMPARE(form.systemTab()->intervalSpin()->value(), 10);
    QCOMPARE(form.systemTab()->countdownLabel()->text(), QStringLiteral("10"));
    QCOMPARE(page.requests(), 3);
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
    PageRig rig;
    auto& [page, fixture, form] = rig;
    form.onStartClicked();
    form.onStopClicked();
    form.systemTab()->intervalSpin()->setText(QString());
    QTest::keyClicks(form.systemTab()->intervalSpin(), typed);
    QCOMPARE(form.systemTab()->intervalSpin()->text(), typed);
    leaveIntervalBox(form);
    QCOMPARE(form.systemTab()->intervalSpin()->text(), expected);
}

void SchedulerTest::manualModeRunsOneCheckPerPress()
{
    PageRig rig;
    auto& [page, fixture, form] = rig;
    form.systemTab()->intervalSpin()->setValue(0);
    QCOMPARE(form.systemTab()->countdownLabel()->text(), QStringLiteral("Manual"));
    QCOMPARE(shownCaption(form.systemTab()->startButton()->text()), QStringLiteral("Update"));
    QVERIFY(!form.systemTab()->countdownCaption()->isEnabled());
    QCOMPARE(shownCaption(form.systemTab()->autoStartCheck()->text()), QStringLiteral("Check once at startup"));
    for (int press = 1; press <= 2; ++press) {
        form.onStartClicked();
        QCOMPARE(page.requests(), press);
        QVERIFY(!form.checkTimer()->isActive());
        QVERIFY(form.systemTab()->startButton()->isEnabled());
        QVERIFY(!form.systemTab()->stopButton()->isEnabled());
        QVERIFY(form.systemTab()->intervalSpin()->isEnabled());
        QCOMPARE(form.systemTab()->countdownLabel()->text(), QStringLiteral("Manual"));
    }
    QCOMPARE(form.systemTab()->intervalSpin()->minValue(), 0);
    form.systemTab()->intervalSpin()->setValue(20);
    QCOMPARE(shownCaption(form.systemTab()->startButton()->text()), QStringLiteral("Start"));
    QVERIFY(form.systemTab()->countdownCaption()->isEnabled());
    QCOMPARE(shownCaption(form.systemTab()->autoStartCheck()->text()), QStringLiteral("Start automatically"));
}

// An upload attempt shows "Connecting to ..." in the status line; a scheduled check leaves "Error" alone.
void SchedulerTest::scheduledCheckLeavesErrorAlone()
{
    WindowFixture fixture;
    MainWindow& form = fixture.start();
    useUserDefinedPage(form, refusingAddress());
    form.ftpTab()->enableCheck()->setChecked(true);
    form.ftpTab()->hostEdit()->setText(QStringLiteral("127.0.0.1"));
    form.monitor().ftp().port = portNumberOf(refusingAddress());
    form.monitor().setLastUploaded("1.2.3.4");
    form.systemTab()->intervalSpin()->setValue(1);
    QSignalSpy statuses(form.statusLine(), &QStatusBar::messageChanged);
    auto uploads = [&statuses] {
        int count = 0;
        for (const QList<QVariant>& status : statuses)
            count += status.at(0).toString().startsWith(QStringLiteral("Connecting to")) ? 1 : 0;
        return count;
    };

    // Start's own check acts on the empty display: the upload fails and leaves "Error".
    form.onStartClicked();
    QCOMPARE(form.addressLabel()->text(), QStringLiteral("Error"));
    QCOMPARE(uploads(), 1);
    QVERIFY(form.statusLine()->currentMessage().isEmpty());

    ticks(form, 1);
    QCOMPARE(form.addressLabel()->text(), QStringLiteral("Error"));
    QCOMPARE(uploads(), 1);
    QCOMPARE(form.systemTab()->countdownLabel()->text(), QStringLiteral("1"));
    QVERIFY(fixture.dialogs.shown.isEmpty());
}

void SchedulerTest::autoStartWithIntervalZeroChecksOnce()
{
    LocalPage page(kPage);
    WindowFixture fixture;
    WriteRouterSettings(fixture, page, 0, true);
    MainWindow& form = fixture.start();
    QVERIFY(!form.isVisible());
    QCOMPARE(page.requests(), 1);
    QCOMPARE(form.addressLabel()->text(), QStringLiteral("10.1.2.3"));
    QCOMPARE(form.pageInspectorTab()->addressEdit()->text(), QStringLiteral("10.1.2.3"));
    QCOMPARE(shownCaption(form.systemTab()->autoStartCheck()->text()), QStringLiteral("Check once at startup"));
    QVERIFY(!form.checkTimer()->isActive());
    QVERIFY(form.systemTab()->startButton()->isEnabled());
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QCOMPARE(page.requests(), 1);
}

void SchedulerTest::autoStartWithIntervalStartsScheduler()
{
    LocalPage page(kPage);
    WindowFixture fixture;
    WriteRouterSettings(fixture, page, 15, true);
    MainWindow& form = fixture.start();
    QCOMPARE(page.requests(), 1);
    QVERIFY(form.checkTimer()->isActive());
    QCOMPARE(form.systemTab()->countdownLabel()->text(), QStringLiteral("15"));
    QCOMPARE(form.windowTitle(), QStringLiteral("Kestrune [10.1.2.3]"));
}

void SchedulerTest::noAutoStartNoCheck()
{
    LocalPage page(kPage);
    WindowFixture fixture;
    WriteRouterSettings(fixture, page, 0, false);
    MainWindow& form = fixture.start();
    QCOMPARE(form.userLookupsTab()->urlEdit()->text(), page.address());
    QCOMPARE(page.requests(), 0);
    QVERIFY(form.addressLabel()->text().isEmpty());
}

QTEST_MAIN(SchedulerTest)
#include "SchedulerTest.moc"
