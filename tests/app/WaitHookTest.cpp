#include "WindowFixture.h"
#include "WindowSteps.h"
#include "LocalPage.h"
#include "QtWaitHook.h"
#include "SpinBox.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QtTest>
#include <poll.h>
#include <unistd.h>

using namespace kestrune::app;

namespace {

// Ticks of a 10 ms timer and the longest gap between two of them.
struct TickWatch {
    QTimer timer;
    QElapsedTimer clock;
    qint64 last = 0;
    qint64 longestGap = 0;
    int ticks = 0;

    TickWatch()
    {
        timer.setInterval(10);
        timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer, &QTimer::timeout, [this] {
            const qint64 now = clock.elapsed();
            longestGap = std::max(longestGap, now - last);
            last = now;
            ++ticks;
        });
    }
    void start()
    {
        clock.start();
        last = 0;
        timer.start();
    }
};

} // namespace

class WaitHookTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }
    void windowTimerKeepsTickingWhileAFetchWaits();
    void checksAskedForWhileOneWaitsAreRefused();
    void tickDuringAScheduledCheckCountsBelowZero();
    void waitEndsAtItsTimeOut();
};

void WaitHookTest::windowTimerKeepsTickingWhileAFetchWaits()
{
    SilentServer silent;
    WindowFixture fixture;
    MainWindow& form = fixture.start();
    useUserDefinedPage(form, silent.address());
    TickWatch watch;
    constexpr int kWaitMs = 1000;
    QTimer::singleShot(kWaitMs, &form, [&] { silent.release(); });
    watch.start();
    form.onTestLookupClicked();
    watch.timer.stop();
    const qint64 waited = watch.clock.elapsed();
    qInfo("fetch waited %lld ms; 10 ms timer ticked %d times, longest gap %lld ms", waited, watch.ticks,
          watch.longestGap);
    QVERIFY(waited >= kWaitMs);
    // Without the hook the timer could not tick at all until the fetch ended.
    QVERIFY2(watch.ticks >= kWaitMs / 10 / 2, qPrintable(QString::number(watch.ticks)));
    QVERIFY(watch.longestGap < kWaitMs / 2);
    QVERIFY(form.addressLabel()->text().isEmpty());
}

void WaitHookTest::checksAskedForWhileOneWaitsAreRefused()
{
    SilentServer silent;
    WindowFixture fixture;
    MainWindow& form = fixture.start();
    useUserDefinedPage(form, silent.address());
    form.systemTab()->intervalSpin()->setValue(0);
    int released = 0;
    bool runningSeen = false;
    QTimer::singleShot(100, &form, [&] {
        runningSeen = form.monitor().checkRunning();
        form.onStartClicked();       // "Update" again
        form.onTestLookupClicked();  // "Get IP"
        form.onLookupClicked();      // external "Test"
        released = silent.release();
    });
    form.onStartClicked();
    QVERIFY(runningSeen);
    QCOMPARE(released, 1);
    QCOMPARE(silent.release(), 0);
    QCOMPARE(fixture.dialogs.beeps, 3);
    QVERIFY(fixture.dialogs.errors().isEmpty());
    QVERIFY(!form.monitor().checkRunning());
}

void WaitHookTest::tickDuringAScheduledCheckCountsBelowZero()
{
    LocalPage page(statusPage(QStringLiteral("10.1.2.3")));
    SilentServer silent;
    WindowFixture fixture;
    MainWindow& form = fixture.start();
    useUserDefinedPage(form, page.address());
    form.systemTab()->intervalSpin()->setValue(1);
    form.onStartClicked();
    // The interval is locked while the scheduler runs; the monitor reads it from the settings.
    form.systemTab()->intervalSpin()->setText(QStringLiteral("3"));
    useUserDefinedPage(form, silent.address());
    QString shownDuringCheck;
    int countdownDuringCheck = 99;
    QTimer::singleShot(100, &form, [&] {
        form.onTimer(kestrune::core::TimerId::Minute);
        shownDuringCheck = form.systemTab()->countdownLabel()->text();
        countdownDuringCheck = form.monitor().countdown();
        silent.release();
    });
    form.onTimer(kestrune::core::TimerId::Minute);
    QCOMPARE(countdownDuringCheck, -1);
    QCOMPARE(shownDuringCheck, QStringLiteral("0 hr : -1 min"));
    QCOMPARE(form.monitor().countdown(), 3);
    QCOMPARE(form.systemTab()->countdownLabel()->text(), QStringLiteral("3"));
}

void WaitHookTest::waitEndsAtItsTimeOut()
{
    int fds[2];
    QVERIFY(::pipe(fds) == 0);
    QtWaitHook hook;
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(hook.wait(fds[0], POLLIN, 150), short(0));
    QVERIFY(clock.elapsed() >= 140);
    QVERIFY(::write(fds[1], "x", 1) == 1);
    QVERIFY(hook.wait(fds[0], POLLIN, 5000) & POLLIN);
    ::close(fds[1]);
    char byte;
    QVERIFY(::read(fds[0], &byte, 1) == 1);
    QVERIFY(hook.wait(fds[0], POLLIN, -1) & (POLLIN | POLLHUP));
    ::close(fds[0]);
}

QTEST_MAIN(WaitHookTest)
#include "WaitHookTest.moc"
