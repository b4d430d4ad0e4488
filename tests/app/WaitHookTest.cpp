#include "FormFixture.h"
#include "FormSteps.h"
#include "LocalPage.h"
#include "QtWaitHook.h"
#include "SpinEdit.h"
#include "WatchedForm.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QtTest>
#include <poll.h>
#include <unistd.h>

namespace {

// Ticks of a 10 ms timer and the longest gap between two of them.
struct TTickWatch {
    QTimer timer;
    QElapsedTimer clock;
    qint64 last = 0;
    qint64 longestGap = 0;
    int ticks = 0;

    TTickWatch()
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
    void Start()
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
    TSilentServer silent;
    TFormFixture fixture;
    TForm1& form = fixture.Start();
    UseUserDefinedPage(form, silent.Address());
    TTickWatch watch;
    constexpr int kWaitMs = 1000;
    QTimer::singleShot(kWaitMs, &form, [&] { silent.Release(); });
    watch.Start();
    form.btnTestClick(form.btnGetIP);
    watch.timer.stop();
    const qint64 waited = watch.clock.elapsed();
    qInfo("fetch waited %lld ms; 10 ms timer ticked %d times, longest gap %lld ms", waited, watch.ticks,
          watch.longestGap);
    QVERIFY(waited >= kWaitMs);
    // Without the hook the timer could not tick at all until the fetch ended.
    QVERIFY2(watch.ticks >= kWaitMs / 10 / 2, qPrintable(QString::number(watch.ticks)));
    QVERIFY(watch.longestGap < kWaitMs / 2);
    QVERIFY(form.Panel1->text().isEmpty());
}

void WaitHookTest::checksAskedForWhileOneWaitsAreRefused()
{
    TSilentServer silent;
    TFormFixture fixture;
    auto& form = fixture.Start<TWatchedForm>();
    UseUserDefinedPage(form, silent.Address());
    form.SpinEdit1->SetValue(0);
    int released = 0;
    bool runningSeen = false;
    QTimer::singleShot(100, &form, [&] {
        runningSeen = form.CheckRunning();
        form.Guarded([&] { form.btnStartClick(form.btnStart); });      // "Update" again
        form.Guarded([&] { form.btnTestClick(form.btnGetIP); });       // "Get IP"
        form.Guarded([&] { form.Button12Click(form.Button12); });      // external "Test"
        form.Countdown = 1;
        form.Guarded([&] { form.Timer1Timer(); });                     // a scheduled check comes due
        released = silent.Release();
    });
    form.btnStartClick(form.btnStart);
    QVERIFY(runningSeen);
    QCOMPARE(released, 1);
    QCOMPARE(silent.Release(), 0);
    QCOMPARE(fixture.Dialogs.Beeps, 3);
    QVERIFY(fixture.Dialogs.Errors().isEmpty());
    // The due check waits for the next tick.
    QCOMPARE(form.Countdown, 1);
    QVERIFY(!form.CheckRunning());
}

void WaitHookTest::tickDuringAScheduledCheckCountsBelowZero()
{
    TSilentServer silent;
    TFormFixture fixture;
    auto& form = fixture.Start<TWatchedForm>();
    UseUserDefinedPage(form, silent.Address());
    form.SpinEdit1->SetValue(3);
    form.Countdown = 1;
    QString shownDuringCheck;
    int countdownDuringCheck = 99;
    QTimer::singleShot(100, &form, [&] {
        form.Timer1Timer();
        shownDuringCheck = form.Panel30->text();
        countdownDuringCheck = form.Countdown;
        silent.Release();
    });
    form.Timer1Timer();
    QCOMPARE(countdownDuringCheck, -1);
    QCOMPARE(shownDuringCheck, QStringLiteral("0 hr : -1 min"));
    QCOMPARE(form.Countdown, 3);
    QCOMPARE(form.Panel30->text(), QStringLiteral("3"));
}

void WaitHookTest::waitEndsAtItsTimeOut()
{
    int fds[2];
    QVERIFY(::pipe(fds) == 0);
    TQtWaitHook hook;
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(hook.Wait(fds[0], POLLIN, 150), short(0));
    QVERIFY(clock.elapsed() >= 140);
    QVERIFY(::write(fds[1], "x", 1) == 1);
    QVERIFY(hook.Wait(fds[0], POLLIN, 5000) & POLLIN);
    ::close(fds[1]);
    char byte;
    QVERIFY(::read(fds[0], &byte, 1) == 1);
    QVERIFY(hook.Wait(fds[0], POLLIN, -1) & (POLLIN | POLLHUP));
    ::close(fds[0]);
}

QTEST_MAIN(WaitHookTest)
#include "WaitHookTest.moc"
