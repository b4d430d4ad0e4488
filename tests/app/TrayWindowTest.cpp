#include "FormFixture.h"
#include "FormSteps.h"
#include "LocalPage.h"
#include "ScriptedServer.h"
#include "TrayIcon.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <QTimer>
#include <QtTest>
#include <chrono>
#include <memory>
#include <thread>

namespace {

// What the desktop's notification area was told, kept beyond the icon's life.
struct TTrayRecord {
    bool Available = true;
    bool Visible = false;
    bool HasIcon = false;
    QMenu* Menu = nullptr;
    QList<TBalloon> Balloons;
    TTrayPlatform* Live = nullptr;
};

class TRecordingTray : public TTrayPlatform {
public:
    explicit TRecordingTray(std::shared_ptr<TTrayRecord> record) : record_(std::move(record)) { record_->Live = this; }
    ~TRecordingTray() override
    {
        if (record_->Live == this)
            record_->Live = nullptr;
    }
    bool Available() const override { return record_->Available; }
    void SetIcon(const QIcon& icon) override { record_->HasIcon = !icon.isNull(); }
    void SetMenu(QMenu* menu) override { record_->Menu = menu; }
    void SetVisible(bool visible) override { record_->Visible = visible; }
    void ShowBalloon(const TBalloon& balloon) override { record_->Balloons << balloon; }

private:
    std::shared_ptr<TTrayRecord> record_;
};

void ClickBalloon(const TTrayRecord& record)
{
    QVERIFY(record.Live);
    QVERIFY(record.Live->BalloonClicked);
    record.Live->BalloonClicked();
}

QStringList MenuTexts(const QMenu* menu)
{
    QStringList texts;
    for (const QAction* action : menu->actions())
        texts << action->text();
    return texts;
}

// Lets the 20 ms start timer and the deferred move to the tray run.
void SettleStart(TForm1& form)
{
    QTRY_VERIFY(!form.Timer2->isActive());
    QTest::qWait(50);
}

void MakeLookupFail(TForm1& form)
{
    UseUserDefinedPage(form, RefusingAddress());
    form.btnTestClick(form.btnGetIP);
}

} // namespace

class TrayWindowTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }
    void init();
    void cleanup() { TTrayIcon::InstallPlatformFactory({}); }
    void startUpStates_data();
    void startUpStates();
    void slowFirstCheckStillEndsInTheTray();
    void restoreFromTrayShowsUserTabAndHidesIcon();
    void minimiseFollowsTheCheckBox();
    void errorBalloonAndItsCleanUp_data();
    void errorBalloonAndItsCleanUp();
    void balloonTextsAreCut();
    void exitFromTheMenuClosesAndRemovesIcon();
    void desktopWithoutTrayKeepsWindowReachable();

private:
    std::shared_ptr<TTrayRecord> tray_;
};

void TrayWindowTest::init()
{
    tray_ = std::make_shared<TTrayRecord>();
    TTrayIcon::InstallPlatformFactory([record = tray_] { return std::make_unique<TRecordingTray>(record); });
}

void TrayWindowTest::startUpStates_data()
{
    QTest::addColumn<bool>("trayAvailable");
    QTest::addColumn<bool>("toTray");
    QTest::addColumn<bool>("startMinimized");
    QTest::addColumn<bool>("windowVisible");
    QTest::addColumn<bool>("windowMinimized");
    QTest::addColumn<bool>("iconVisible");
    QTest::newRow("both checked: tray state") << true << true << true << false << true << true;
    QTest::newRow("start minimised alone: taskbar") << true << false << true << true << true << false;
    QTest::newRow("to tray alone: stays normal") << true << true << false << true << false << false;
    QTest::newRow("no tray: ordinary minimise") << false << true << true << true << true << false;
}

void TrayWindowTest::startUpStates()
{
    QFETCH(bool, trayAvailable);
    QFETCH(bool, toTray);
    QFETCH(bool, startMinimized);
    tray_->Available = trayAvailable;
    TFormFixture fixture;
    fixture.WriteSettings(std::string("[System]\nMinimize=") + (toTray ? "1" : "0") +
                          "\nStartMinimized=" + (startMinimized ? "1" : "0") + "\n");
    TForm1& form = fixture.Start();
    form.show();
    SettleStart(form);

    QTEST(form.isVisible(), "windowVisible");
    QTEST(form.isMinimized(), "windowMinimized");
    QTEST(tray_->Visible, "iconVisible");
    QVERIFY(tray_->HasIcon);
    QCOMPARE(tray_->Menu, form.PopupMenu1);
    QCOMPARE(MenuTexts(tray_->Menu), QStringList({QStringLiteral("Restore Kestrune"), QStringLiteral("Exit Kestrune")}));
    QVERIFY(fixture.Dialogs.Shown.isEmpty());
}

void TrayWindowTest::slowFirstCheckStillEndsInTheTray()
{
    // The page answers long after the 20 ms start timer's interval.
    testsupport::ScriptedServer page;
    page.Accept().ReadUntil("\r\n\r\n").Do([](int) { std::this_thread::sleep_for(std::chrono::milliseconds(300)); });
    page.Send("HTTP/1.0 200 OK\r\n\r\n<html>WAN IP: 10.1.2.3 Mask</html>").Close();
    page.Start();
    TFormFixture fixture;
    fixture.WriteSettings("[Router]\nSelectedRouter=0\n[Routers]\nHome=1\n[RoutersData]\n1,127.0.0.1:" +
                          std::to_string(page.Port()) +
                          "/s.htm,WAN IP:,0=0\n[System]\nInterval=0\nAutoStart=1\nMinimize=1\nStartMinimized=1\n");
    TForm1& form = fixture.Start();
    QVERIFY(page.Finish());
    QCOMPARE(form.Panel1->text(), QStringLiteral("10.1.2.3"));
    form.show();
    SettleStart(form);
    QVERIFY(!form.isVisible());
    QVERIFY(form.TrayIcon->InTrayState());
    QVERIFY(tray_->Visible);
}

void TrayWindowTest::restoreFromTrayShowsUserTabAndHidesIcon()
{
    TFormFixture fixture;
    fixture.WriteSettings("[System]\nMinimize=1\nStartMinimized=1\n");
    TForm1& form = fixture.Start();
    form.show();
    form.PageControl9->setCurrentWidget(form.TsSystem);
    SettleStart(form);
    QVERIFY(!form.isVisible());
    QVERIFY(tray_->Visible);

    form.RestoreKestrune1->trigger();
    QVERIFY(form.isVisible());
    QVERIFY(!form.isMinimized());
    QVERIFY(!tray_->Visible);
    QCOMPARE(form.PageControl9->currentWidget(), form.TsUser);

    // Back in the tray a second time and out again: the way back keeps working.
    form.showMinimized();
    QTRY_VERIFY(!form.isVisible());
    QVERIFY(tray_->Visible);
    form.RestoreKestrune1->trigger();
    QVERIFY(form.isVisible());
    QVERIFY(!tray_->Visible);
}

void TrayWindowTest::minimiseFollowsTheCheckBox()
{
    TFormFixture fixture;
    TForm1& form = fixture.Start();
    form.show();
    QVERIFY(!form.cbMinimize->isChecked());

    form.cbMinimize->click();
    form.showMinimized();
    QTRY_VERIFY(!form.isVisible());
    QVERIFY(tray_->Visible);
    form.RestoreKestrune1->trigger();

    form.cbMinimize->click();
    form.showMinimized();
    QTest::qWait(50);
    QVERIFY(form.isVisible());
    QVERIFY(form.isMinimized());
    QVERIFY(!tray_->Visible);
}

void TrayWindowTest::errorBalloonAndItsCleanUp_data()
{
    QTest::addColumn<bool>("inTray");
    QTest::addColumn<bool>("byClick");
    QTest::addColumn<bool>("iconAfter");
    QTest::newRow("window open, timer ends it") << false << false << false;
    QTest::newRow("window open, balloon clicked") << false << true << false;
    QTest::newRow("tray state, timer keeps icon") << true << false << true;
    QTest::newRow("tray state, click keeps icon") << true << true << true;
}

void TrayWindowTest::errorBalloonAndItsCleanUp()
{
    QFETCH(bool, inTray);
    QFETCH(bool, byClick);
    QFETCH(bool, iconAfter);
    TFormFixture fixture;
    fixture.WriteSettings("[System]\nMinimize=1\n");
    TForm1& form = fixture.Start();
    form.show();
    if (inTray) {
        form.showMinimized();
        QTRY_VERIFY(!form.isVisible());
    }

    QCOMPARE(form.TrayIcon->InTrayState(), inTray);
    MakeLookupFail(form);
    QCOMPARE(form.TrayIcon->InTrayState(), inTray);
    QCOMPARE(tray_->Balloons.size(), 1);
    const TBalloon& balloon = tray_->Balloons.first();
    QCOMPARE(balloon.Title, QStringLiteral("Kestrune Error"));
    QVERIFY2(balloon.Text.startsWith(QStringLiteral("The Lookup Service has reported an error: ")),
             qPrintable(balloon.Text));
    QVERIFY(balloon.Text.size() > 42);
    QCOMPARE(balloon.Icon, EBalloonIcon::Info);
    QCOMPARE(balloon.TimeoutMs, 10000);
    QVERIFY(tray_->Visible);
    QVERIFY(form.IconTimer->isActive());
    QCOMPARE(form.IconTimer->interval(), 10000);
    QCOMPARE(form.isVisible(), !inTray);

    if (byClick) {
        ClickBalloon(*tray_);
    } else {
        form.IconTimer->setInterval(20);
        QTRY_VERIFY(!form.IconTimer->isActive());
    }
    QVERIFY(!form.IconTimer->isActive());
    QCOMPARE(tray_->Visible, iconAfter);
    // A click on the balloon never brings the window back.
    QCOMPARE(form.isVisible(), !inTray);
    QVERIFY(fixture.Dialogs.Shown.isEmpty());

    if (inTray) {
        form.RestoreKestrune1->trigger();
        QVERIFY(form.isVisible());
        QVERIFY(!tray_->Visible);
    }
}

void TrayWindowTest::balloonTextsAreCut()
{
    TFormFixture fixture;
    TForm1& form = fixture.Start();
    struct TCase {
        QString Title, Text, WantTitle, WantText;
    };
    const QString face = QString::fromUtf8("\xF0\x9F\x98\x80"); // two UTF-16 units
    const QList<TCase> cases = {
        {QString(63, u't'), QString(255, u'x'), QString(63, u't'), QString(255, u'x')},
        {QString(64, u't'), QString(256, u'x'), QString(63, u't'), QString(255, u'x')},
        {QString(62, u't') + face, QString(254, u'x') + face + u'y', QString(62, u't'), QString(254, u'x')},
        {QString(), QString(), QString(), QString()},
    };
    for (const TCase& c : cases) {
        tray_->Balloons.clear();
        form.TrayIcon->ShowBalloon(c.Title, c.Text, EBalloonIcon::Warning, 3);
        QCOMPARE(tray_->Balloons.size(), 1);
        QCOMPARE(tray_->Balloons.first().Title, c.WantTitle);
        QCOMPARE(tray_->Balloons.first().Text, c.WantText);
        QCOMPARE(tray_->Balloons.first().Icon, EBalloonIcon::Warning);
        QCOMPARE(tray_->Balloons.first().TimeoutMs, 3000);
    }
}

void TrayWindowTest::exitFromTheMenuClosesAndRemovesIcon()
{
    TFormFixture fixture;
    fixture.WriteSettings("[System]\nMinimize=1\nStartMinimized=1\n");
    TForm1& form = fixture.Start();
    form.show();
    QVERIFY(QFile::exists(fixture.ExecutablePath() + QStringLiteral(".html")));

    // As in the running program: the event loop runs until the program ends.
    bool iconBeforeExit = false;
    QTimer::singleShot(300, &form, [&] {
        iconBeforeExit = tray_->Visible && !form.isVisible();
        form.ExitKestrune1->trigger();
    });
    QTimer::singleShot(5000, qApp, [] { QCoreApplication::exit(3); });
    QCOMPARE(QApplication::exec(), 0);
    QVERIFY(iconBeforeExit);
    // The close path ran: settings written, help file gone.
    QVERIFY(fixture.SettingsText().find("Minimize=1\r\n") != std::string::npos);
    QVERIFY(!QFile::exists(fixture.ExecutablePath() + QStringLiteral(".html")));
    fixture.Form.reset();
    QVERIFY(!tray_->Visible);
    QVERIFY(!tray_->Live);
}

// The desktop's own notification area; the offscreen test platform has none.
void TrayWindowTest::desktopWithoutTrayKeepsWindowReachable()
{
    TTrayIcon::InstallPlatformFactory({});
    QVERIFY(!QSystemTrayIcon::isSystemTrayAvailable());
    TFormFixture fixture;
    fixture.WriteSettings("[System]\nMinimize=1\nStartMinimized=1\n");
    TForm1& form = fixture.Start();
    form.show();
    SettleStart(form);
    QVERIFY(form.isVisible());
    QVERIFY(form.isMinimized());
    QVERIFY(!form.TrayIcon->InTrayState());

    // A failed lookup still runs its balloon and clean-up without a tray.
    MakeLookupFail(form);
    QVERIFY(form.TrayIcon->IconVisible());
    form.IconTimer->setInterval(20);
    QTRY_VERIFY(!form.TrayIcon->IconVisible());
    QVERIFY(fixture.Dialogs.Shown.isEmpty());

    form.TrayIcon->RestoreMainWindow();
    QVERIFY(!form.isMinimized());
    QVERIFY(form.isVisible());
}

QTEST_MAIN(TrayWindowTest)
#include "TrayWindowTest.moc"
