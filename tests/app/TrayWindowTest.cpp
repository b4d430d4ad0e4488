#include "WindowFixture.h"
#include "WindowSteps.h"
#include "LocalPage.h"
#include "ScriptedServer.h"
#include "TrayIcon.h"
#include "ExternalServiceTab.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
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

using namespace kestrune::app;

namespace {

// What the desktop's notification area was told, kept beyond the icon's life.
struct TrayRecord {
    bool available = true;
    bool visible = false;
    bool hasIcon = false;
    QMenu* menu = nullptr;
    QString toolTip;
    QList<Balloon> balloons;
    TrayPlatform* live = nullptr;
};

class RecordingTray : public TrayPlatform {
public:
    explicit RecordingTray(std::shared_ptr<TrayRecord> record) : m_record(std::move(record)) { m_record->live = this; }
    ~RecordingTray() override
    {
        if (m_record->live == this)
            m_record->live = nullptr;
    }
    bool available() const override { return m_record->available; }
    void setIcon(const QIcon& icon) override { m_record->hasIcon = !icon.isNull(); }
    void setMenu(QMenu* menu) override { m_record->menu = menu; }
    void setToolTip(const QString& text) override { m_record->toolTip = text; }
    void setVisible(bool visible) override { m_record->visible = visible; }
    void showBalloon(const Balloon& balloon) override { m_record->balloons << balloon; }

private:
    std::shared_ptr<TrayRecord> m_record;
};

void clickBalloon(const TrayRecord& record)
{
    QVERIFY(record.live);
    QVERIFY(record.live->balloonClicked);
    record.live->balloonClicked();
}

QStringList menuTexts(const QMenu* menu)
{
    QStringList texts;
    for (const QAction* action : menu->actions())
        texts << action->text();
    return texts;
}

// Lets the 20 ms start timer and the deferred move to the tray run.
void settleStart(MainWindow& form)
{
    QTRY_VERIFY(!form.startMinimizedTimer()->isActive());
    QTest::qWait(50);
}

void makeLookupFail(MainWindow& form)
{
    useUserDefinedPage(form, refusingAddress());
    form.onTestLookupClicked();
}

} // namespace

class TrayWindowTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }
    void init();
    void cleanup() { TrayIcon::installPlatformFactory({}); }
    void startUpStates_data();
    void startUpStates();
    void slowFirstCheckStillEndsInTheTray();
    void restoreFromTrayShowsUserTabAndHidesIcon();
    void toolTipAndLeftClick();
    void minimiseFollowsTheCheckBox();
    void errorBalloonAndItsCleanUp_data();
    void errorBalloonAndItsCleanUp();
    void balloonTextsAreCut();
    void exitFromTheMenuClosesAndRemovesIcon();
    void desktopWithoutTrayKeepsWindowReachable();

private:
    std::shared_ptr<TrayRecord> m_tray;
};

void TrayWindowTest::init()
{
    m_tray = std::make_shared<TrayRecord>();
    TrayIcon::installPlatformFactory([record = m_tray] { return std::make_unique<RecordingTray>(record); });
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
    m_tray->available = trayAvailable;
    WindowFixture fixture;
    fixture.writeSettings(std::string("[System]\nMinimize=") + (toTray ? "1" : "0") +
                          "\nStartMinimized=" + (startMinimized ? "1" : "0") + "\n");
    MainWindow& form = fixture.start();
    form.show();
    settleStart(form);

    QTEST(form.isVisible(), "windowVisible");
    QTEST(form.isMinimized(), "windowMinimized");
    QTEST(m_tray->visible, "iconVisible");
    QVERIFY(m_tray->hasIcon);
    QCOMPARE(m_tray->menu, form.trayMenu());
    QCOMPARE(menuTexts(m_tray->menu), QStringList({QStringLiteral("Restore Kestrune"), QStringLiteral("Exit Kestrune")}));
    QVERIFY(fixture.dialogs.shown.isEmpty());
}

void TrayWindowTest::slowFirstCheckStillEndsInTheTray()
{
    // The page answers long after the 20 ms start timer's interval.
    testsupport::ScriptedServer page;
    page.Accept().ReadUntil("\r\n\r\n").Do([](int) { std::this_thread::sleep_for(std::chrono::milliseconds(300)); });
    page.Send("HTTP/1.0 200 OK\r\n\r\n<html>WAN IP: 10.1.2.3 Mask</html>").Close();
    page.Start();
    WindowFixture fixture;
    fixture.writeSettings("[Router]\nSelectedRouter=0\n[Routers]\nHome=1\n[RoutersData]\n1,127.0.0.1:" +
                          std::to_string(page.Port()) +
                          "/s.htm,WAN IP:,0=0\n[System]\nInterval=0\nAutoStart=1\nMinimize=1\nStartMinimized=1\n");
    MainWindow& form = fixture.start();
    QVERIFY(page.Finish());
    QCOMPARE(form.addressLabel()->text(), QStringLiteral("10.1.2.3"));
    form.show();
    settleStart(form);
    QVERIFY(!form.isVisible());
    QVERIFY(form.trayIcon()->inTrayState());
    QVERIFY(m_tray->visible);
}

void TrayWindowTest::restoreFromTrayShowsUserTabAndHidesIcon()
{
    WindowFixture fixture;
    fixture.writeSettings("[System]\nMinimize=1\nStartMinimized=1\n");
    MainWindow& form = fixture.start();
    form.show();
    form.tabs()->setCurrentWidget(form.systemTab());
    settleStart(form);
    QVERIFY(!form.isVisible());
    QVERIFY(m_tray->visible);

    form.restoreAction()->trigger();
    QVERIFY(form.isVisible());
    QVERIFY(!form.isMinimized());
    QVERIFY(!m_tray->visible);
    QCOMPARE(form.tabs()->currentWidget(), form.userLookupsTab());

    // Back in the tray a second time and out again: the way back keeps working.
    form.showMinimized();
    QTRY_VERIFY(!form.isVisible());
    QVERIFY(m_tray->visible);
    form.restoreAction()->trigger();
    QVERIFY(form.isVisible());
    QVERIFY(!m_tray->visible);
}

void TrayWindowTest::toolTipAndLeftClick()
{
    WindowFixture fixture;
    fixture.writeSettings("[System]\nMinimize=1\n");
    MainWindow& form = fixture.start();
    form.show();
    QCOMPARE(m_tray->toolTip, QStringLiteral("Kestrune"));
    LocalPage page(statusPage(QString()));
    findAddress(form, page, QStringLiteral("203.0.113.77"));
    const QRegularExpression checked(QStringLiteral("^Kestrune \u2014 203\\.0\\.113\\.77, checked \\d\\d:\\d\\d$"));
    QVERIFY2(checked.match(m_tray->toolTip).hasMatch(), qPrintable(m_tray->toolTip));

    form.showMinimized();
    QTRY_VERIFY(!form.isVisible());
    QVERIFY(m_tray->live && m_tray->live->iconClicked);
    m_tray->live->iconClicked();
    QVERIFY(form.isVisible());
    QVERIFY(!form.isMinimized());
    QVERIFY(!m_tray->visible);
}

void TrayWindowTest::minimiseFollowsTheCheckBox()
{
    WindowFixture fixture;
    MainWindow& form = fixture.start();
    form.show();
    QVERIFY(!form.systemTab()->minimizeToTrayCheck()->isChecked());

    form.systemTab()->minimizeToTrayCheck()->click();
    form.showMinimized();
    QTRY_VERIFY(!form.isVisible());
    QVERIFY(m_tray->visible);
    form.restoreAction()->trigger();

    form.systemTab()->minimizeToTrayCheck()->click();
    form.showMinimized();
    QTest::qWait(50);
    QVERIFY(form.isVisible());
    QVERIFY(form.isMinimized());
    QVERIFY(!m_tray->visible);
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
    WindowFixture fixture;
    fixture.writeSettings("[System]\nMinimize=1\n");
    MainWindow& form = fixture.start();
    form.show();
    if (inTray) {
        form.showMinimized();
        QTRY_VERIFY(!form.isVisible());
    }

    QCOMPARE(form.trayIcon()->inTrayState(), inTray);
    makeLookupFail(form);
    QCOMPARE(form.trayIcon()->inTrayState(), inTray);
    QCOMPARE(m_tray->balloons.size(), 1);
    const Balloon& balloon = m_tray->balloons.first();
    QCOMPARE(balloon.title, QStringLiteral("Kestrune Error"));
    QVERIFY2(balloon.text.startsWith(QStringLiteral("The Lookup Service has reported an error: ")),
             qPrintable(balloon.text));
    QVERIFY(balloon.text.size() > 42);
    QCOMPARE(balloon.icon, BalloonIcon::Info);
    QCOMPARE(balloon.timeoutMs, 10000);
    QVERIFY(m_tray->visible);
    QVERIFY(form.errorIconTimer()->isActive());
    QCOMPARE(form.errorIconTimer()->interval(), 10000);
    QCOMPARE(form.isVisible(), !inTray);

    if (byClick) {
        clickBalloon(*m_tray);
    } else {
        form.errorIconTimer()->setInterval(20);
        QTRY_VERIFY(!form.errorIconTimer()->isActive());
    }
    QVERIFY(!form.errorIconTimer()->isActive());
    QCOMPARE(m_tray->visible, iconAfter);
    // A click on the balloon never brings the window back.
    QCOMPARE(form.isVisible(), !inTray);
    QVERIFY(fixture.dialogs.shown.isEmpty());

    if (inTray) {
        form.restoreAction()->trigger();
        QVERIFY(form.isVisible());
        QVERIFY(!m_tray->visible);
    }
}

void TrayWindowTest::balloonTextsAreCut()
{
    WindowFixture fixture;
    MainWindow& form = fixture.start();
    struct Case {
        QString title, text, wantTitle, wantText;
    };
    const QString face = QString::fromUtf8("\xF0\x9F\x98\x80"); // two UTF-16 units
    const QList<Case> cases = {
        {QString(63, u't'), QString(255, u'x'), QString(63, u't'), QString(255, u'x')},
        {QString(64, u't'), QString(256, u'x'), QString(63, u't'), QString(255, u'x')},
        {QString(62, u't') + face, QString(254, u'x') + face + u'y', QString(62, u't'), QString(254, u'x')},
        {QString(), QString(), QString(), QString()},
    };
    for (const Case& c : cases) {
        m_tray->balloons.clear();
        form.trayIcon()->showBalloon(c.title, c.text, BalloonIcon::Warning, 3);
        QCOMPARE(m_tray->balloons.size(), 1);
        QCOMPARE(m_tray->balloons.first().title, c.wantTitle);
        QCOMPARE(m_tray->balloons.first().text, c.wantText);
        QCOMPARE(m_tray->balloons.first().icon, BalloonIcon::Warning);
        QCOMPARE(m_tray->balloons.first().timeoutMs, 3000);
    }
}

void TrayWindowTest::exitFromTheMenuClosesAndRemovesIcon()
{
    WindowFixture fixture;
    fixture.writeSettings("[System]\nMinimize=1\nStartMinimized=1\n");
    MainWindow& form = fixture.start();
    form.show();
    QVERIFY(QFile::exists(fixture.executablePath() + QStringLiteral(".html")));

    // As in the running program: the event loop runs until the program ends.
    bool iconBeforeExit = false;
    QTimer::singleShot(300, &form, [&] {
        iconBeforeExit = m_tray->visible && !form.isVisible();
        form.exitAction()->trigger();
    });
    QTimer::singleShot(5000, qApp, [] { QCoreApplication::exit(3); });
    QCOMPARE(QApplication::exec(), 0);
    QVERIFY(iconBeforeExit);
    // The close path ran: settings written, help file gone.
    QVERIFY(fixture.settingsText().find("Minimize=1\r\n") != std::string::npos);
    QVERIFY(!QFile::exists(fixture.executablePath() + QStringLiteral(".html")));
    fixture.window.reset();
    QVERIFY(!m_tray->visible);
    QVERIFY(!m_tray->live);
}

// The desktop's own notification area; the offscreen test platform has none.
void TrayWindowTest::desktopWithoutTrayKeepsWindowReachable()
{
    TrayIcon::installPlatformFactory({});
    QVERIFY(!QSystemTrayIcon::isSystemTrayAvailable());
    WindowFixture fixture;
    fixture.writeSettings("[System]\nMinimize=1\nStartMinimized=1\n");
    MainWindow& form = fixture.start();
    form.show();
    settleStart(form);
    QVERIFY(form.isVisible());
    QVERIFY(form.isMinimized());
    QVERIFY(!form.trayIcon()->inTrayState());

    // A failed lookup still runs its balloon and clean-up without a tray; its error stays in the status line
    // until a lookup finds an address, and the title goes blank with the display.
    LocalPage page(statusPage(QStringLiteral("10.1.2.3")));
    findAddress(form, page, QStringLiteral("10.1.2.3"));
    QCOMPARE(form.windowTitle(), QStringLiteral("Kestrune [10.1.2.3]"));
    form.externalServiceTab()->externalRadio()->setChecked(true);
    form.externalServiceTab()->serviceCombo()->setEditText(QStringLiteral("http://") + refusingAddress());
    form.onLookupClicked();
    QVERIFY(form.trayIcon()->iconVisible());
    QVERIFY(form.lookupErrorLabel()->text().startsWith(QStringLiteral("The Lookup Service has reported an error: ")));
    QCOMPARE(form.addressLabel()->text(), QString());
    QCOMPARE(form.windowTitle(), QString());
    form.errorIconTimer()->setInterval(20);
    QTRY_VERIFY(!form.trayIcon()->iconVisible());
    QVERIFY(!form.lookupErrorLabel()->isHidden());
    form.externalServiceTab()->externalRadio()->setChecked(false);
    findAddress(form, page, QStringLiteral("10.1.2.3"));
    QVERIFY(form.lookupErrorLabel()->isHidden());
    QVERIFY(fixture.dialogs.shown.isEmpty());

    form.trayIcon()->restoreMainWindow();
    QVERIFY(!form.isMinimized());
    QVERIFY(form.isVisible());
}

QTEST_MAIN(TrayWindowTest)
#include "TrayWindowTest.moc"
