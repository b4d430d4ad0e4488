#include "SchedulerRules.h"
#include "SpinBox.h"

#include <QLineEdit>
#include <QSignalSpy>
#include <QtTest>

using namespace kestrune::app;

class IntervalBoxTest : public QObject {
    Q_OBJECT
private slots:
    void hoursMinutes_data();
    void hoursMinutes();
    void localPage_data();
    void localPage();
    void intervalRule_data();
    void intervalRule();
    void intervalStep_data();
    void intervalStep();
    void valueOfText_data();
    void valueOfText();
    void settingAValueAppliesBoundsWhenTheyDiffer();
    void arrowsStepByTheIncrement();
    void typingFilterRefusesWithABeep();
    void everyTextChangeIsReported();
    void leavingRunsExitBeforeBounds();
};

void IntervalBoxTest::hoursMinutes_data()
{
    QTest::addColumn<int>("minutes");
    QTest::addColumn<QString>("text");
    QTest::newRow("90") << 90 << "1 hr : 30 min";
    QTest::newRow("30") << 30 << "0 hr : 30 min";
    QTest::newRow("0") << 0 << "0 hr : 0 min";
    QTest::newRow("2880") << 2880 << "48 hr : 0 min";
    QTest::newRow("119") << 119 << "1 hr : 59 min";
    QTest::newRow("tick during a check") << -1 << "0 hr : -1 min";
    QTest::newRow("-61") << -61 << "-1 hr : -1 min";
}

void IntervalBoxTest::hoursMinutes()
{
    QFETCH(int, minutes);
    QFETCH(QString, text);
    QCOMPARE(QString::fromStdString(HoursMinutes(minutes)), text);
}

void IntervalBoxTest::localPage_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<bool>("local");
    QTest::newRow("192") << "192.168.1.1/Status.htm" << true;
    QTest::newRow("10") << "10.0.0.138/x" << true;
    QTest::newRow("127") << "127.0.0.1" << true;
    QTest::newRow("172") << "172.16.0.1/" << true;
    QTest::newRow("100") << "100.64.0.1/x" << false;
    QTest::newRow("1920") << "1920.1.1.1/x" << false;
    QTest::newRow("name") << "router.local/x" << false;
    QTest::newRow("no dot") << "192-168-1-1/status" << false;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("port before dot") << "10:8080.x" << false;
}

void IntervalBoxTest::localPage()
{
    QFETCH(QString, url);
    QFETCH(bool, local);
    QCOMPARE(IsLocalPage(url.toStdString()), local);
}

void IntervalBoxTest::intervalRule_data()
{
    QTest::addColumn<int>("interval");
    QTest::addColumn<bool>("external");
    QTest::addColumn<bool>("userDefined");
    QTest::addColumn<QString>("url");
    QTest::addColumn<int>("result");
    QTest::newRow("external 1") << 1 << true << false << "" << 10;
    QTest::newRow("external 9") << 9 << true << false << "192.168.1.1/x" << 10;
    QTest::newRow("external 11") << 11 << true << false << "" << 11;
    QTest::newRow("external 0") << 0 << true << false << "" << 0;
    QTest::newRow("local 5") << 5 << false << true << "192.168.1.1/x" << 5;
    QTest::newRow("remote 5") << 5 << false << true << "example.org/x" << 10;
    QTest::newRow("remote 10") << 10 << false << true << "example.org/x" << 10;
    QTest::newRow("remote negative") << -3 << false << true << "example.org/x" << -3;
    QTest::newRow("neither") << 5 << false << false << "example.org/x" << 5;
}

void IntervalBoxTest::intervalRule()
{
    QFETCH(int, interval);
    QFETCH(bool, external);
    QFETCH(bool, userDefined);
    QFETCH(QString, url);
    QFETCH(int, result);
    QCOMPARE(IntervalByRule(interval, external, userDefined, url.toStdString()), result);
}

void IntervalBoxTest::intervalStep_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("step");
    QTest::newRow("0") << 0 << 1;
    QTest::newRow("59") << 59 << 1;
    QTest::newRow("60") << 60 << 10;
    QTest::newRow("599") << 599 << 10;
    QTest::newRow("600") << 600 << 30;
    QTest::newRow("2880") << 2880 << 30;
    QTest::newRow("-1") << -1 << 30;
}

void IntervalBoxTest::intervalStep()
{
    QFETCH(int, value);
    QFETCH(int, step);
    QCOMPARE(IntervalStep(value), step);
}

void IntervalBoxTest::valueOfText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("value");
    QTest::newRow("digits") << "45" << 45;
    QTest::newRow("leading zeros") << "007" << 7;
    QTest::newRow("plus") << "+12" << 12;
    QTest::newRow("minus, unbounded on reading") << "-3" << -3;
    QTest::newRow("above the bound, unbounded on reading") << "5000" << 5000;
    QTest::newRow("empty") << "" << 10;
    QTest::newRow("letters") << "abc" << 10;
    QTest::newRow("sign alone") << "-" << 10;
    QTest::newRow("decimal") << "1.5" << 10;
    QTest::newRow("too large for an int") << "99999999999" << 10;
    QTest::newRow("blank inside") << "1 2" << 10;
}

void IntervalBoxTest::valueOfText()
{
    QFETCH(QString, text);
    QFETCH(int, value);
    SpinBox box;
    box.setMinValue(10);
    box.setMaxValue(2880);
    box.setText(text);
    QCOMPARE(box.text(), text);
    QCOMPARE(box.value(), value);
}

void IntervalBoxTest::settingAValueAppliesBoundsWhenTheyDiffer()
{
    SpinBox box;
    box.setMaxValue(2880);
    box.setValue(5000);
    QCOMPARE(box.text(), QStringLiteral("2880"));
    box.setValue(-4);
    QCOMPARE(box.text(), QStringLiteral("0"));
    box.setMinValue(10);
    QCOMPARE(box.text(), QStringLiteral("0"));
    box.setValue(0);
    QCOMPARE(box.text(), QStringLiteral("10"));

    SpinBox unbounded;
    unbounded.setValue(-50);
    QCOMPARE(unbounded.text(), QStringLiteral("-50"));
    unbounded.setValue(123456);
    QCOMPARE(unbounded.text(), QStringLiteral("123456"));
}

void IntervalBoxTest::arrowsStepByTheIncrement()
{
    SpinBox box;
    box.setMaxValue(2880);
    box.setIncrement(10);
    box.setValue(15);
    box.stepBy(1);
    QCOMPARE(box.text(), QStringLiteral("25"));
    QTest::keyClick(&box, Qt::Key_Up);
    QCOMPARE(box.text(), QStringLiteral("35"));
    QTest::keyClick(&box, Qt::Key_Down);
    box.stepBy(-4);
    QCOMPARE(box.text(), QStringLiteral("0"));
    box.setText(QStringLiteral("junk"));
    box.stepBy(1);
    QCOMPARE(box.text(), QStringLiteral("10"));
    box.setValue(2875);
    box.stepBy(1);
    QCOMPARE(box.text(), QStringLiteral("2880"));
}

void IntervalBoxTest::typingFilterRefusesWithABeep()
{
    SpinBox box;
    int beeps = 0;
    box.setBeep([&] { ++beeps; });
    box.setText(QString());
    QTest::keyClicks(&box, QStringLiteral("1a2 3"));
    QCOMPARE(box.text(), QStringLiteral("123"));
    QCOMPARE(beeps, 2);
    QTest::keyClick(&box, Qt::Key_Return);
    QTest::keyClick(&box, Qt::Key_Enter);
    QCOMPARE(beeps, 4);
    QTest::keyClicks(&box, QStringLiteral("-+"));
    QTest::keyClicks(&box, QLocale().decimalPoint());
    QCOMPARE(beeps, 4);
    QCOMPARE(box.text(), QStringLiteral("123-+") + QLocale().decimalPoint());
    QTest::keyClick(&box, Qt::Key_Backspace);
    QCOMPARE(box.text(), QStringLiteral("123-+"));
    QTest::keyClick(&box, Qt::Key_Home);
    QTest::keyClick(&box, Qt::Key_Delete);
    QCOMPARE(box.text(), QStringLiteral("23-+"));
    QCOMPARE(beeps, 4);
}

void IntervalBoxTest::everyTextChangeIsReported()
{
    SpinBox box;
    QSignalSpy changes(&box, &SpinBox::changed);
    box.setText(QString());
    changes.clear();
    QTest::keyClicks(&box, QStringLiteral("123"));
    QCOMPARE(changes.count(), 3);
    box.setValue(123);
    QCOMPARE(changes.count(), 3);
    box.setValue(7);
    QCOMPARE(changes.count(), 4);
}

void IntervalBoxTest::leavingRunsExitBeforeBounds()
{
    SpinBox box;
    box.setMaxValue(2880);
    box.setMinValue(10);
    box.setText(QStringLiteral("5"));
    QString seenOnExit;
    connect(&box, &SpinBox::exited, this, [&] { seenOnExit = box.text(); });
    QFocusEvent leave(QEvent::FocusOut, Qt::TabFocusReason);
    QCoreApplication::sendEvent(&box, &leave);
    QCOMPARE(seenOnExit, QStringLiteral("5"));
    QCOMPARE(box.text(), QStringLiteral("10"));

    box.setText(QStringLiteral("abc"));
    QCoreApplication::sendEvent(&box, &leave);
    QCOMPARE(box.text(), QStringLiteral("abc"));
}

QTEST_MAIN(IntervalBoxTest)
#include "IntervalBoxTest.moc"
