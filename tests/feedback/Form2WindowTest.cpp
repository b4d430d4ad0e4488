#include "FeedbackMail.h"
#include "FormFixture.h"
#include "Form2.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QUrlQuery>
#include <QtTest>

namespace {

// The link split back into its parts, each value decoded as a mail program does.
struct TMailto {
    QString Address;
    QStringList Keys;
    QString Subject;
    QStringList BodyLines;
};

TMailto Parse(const QString& link)
{
    TMailto parsed;
    if (!link.startsWith(QStringLiteral("mailto:")))
        return parsed;
    const QString rest = link.mid(7);
    const int question = rest.indexOf(u'?');
    parsed.Address = rest.left(question);
    for (const QString& pair : rest.mid(question + 1).split(u'&')) {
        const int equals = pair.indexOf(u'=');
        const QString key = pair.left(equals);
        const QString value = QUrl::fromPercentEncoding(pair.mid(equals + 1).toLatin1());
        parsed.Keys << key;
        if (key == QStringLiteral("subject"))
            parsed.Subject = value;
        else if (key == QStringLiteral("body"))
            parsed.BodyLines = value.split(QStringLiteral("\r\n"));
    }
    return parsed;
}

struct TFeedbackFixture {
    TFeedbackFixture() : Main(Fixture.Start()), Form(Main, Fixture.Dialogs) { Main.Form2 = &Form; }
    TFormFixture Fixture;
    TForm1& Main;
    TForm2 Form;
};

} // namespace

class Form2WindowTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }
    void formIsFixedAndShowsOneAmpersand();
    void showTakesAddressAndFocusesManufacturer();
    void checkBoxGovernsDefaultLogin();
    void submitComposesTheLink_data();
    void submitComposesTheLink();
    void cancelComposesNothing();
    void feedbackButtonOpensFormModallyBesideWindow();
};

void Form2WindowTest::formIsFixedAndShowsOneAmpersand()
{
    TFeedbackFixture f;
    f.Form.show();
    QCOMPARE(f.Form.windowTitle(), QStringLiteral("Database feedback"));
    QCOMPARE(f.Form.minimumSize(), f.Form.maximumSize());
    // What the user reads: a single ampersand, and no mnemonic underline in the check box.
    QCOMPARE(f.Form.Label2->text().count(u'&'), 1);
    QVERIFY(f.Form.Label2->buddy() == nullptr);
    QCOMPARE(f.Form.CheckBox1->text().remove(QStringLiteral("&&")).count(u'&'), 0);
    // Every caption fits its control's width.
    for (QLabel* label : f.Form.findChildren<QLabel*>())
        if (!label->wordWrap())
            QVERIFY2(label->width() >= label->fontMetrics().horizontalAdvance(label->text()), qPrintable(label->objectName()));
    QVERIFY(f.Form.CheckBox1->width() >= f.Form.CheckBox1->sizeHint().width());
}

void Form2WindowTest::showTakesAddressAndFocusesManufacturer()
{
    TFeedbackFixture f;
    f.Main.edURL->setText(QStringLiteral("192.168.0.1/st_poe.htm"));
    f.Form.Edit1->setText(QStringLiteral("stale"));
    f.Form.show();
    QCOMPARE(f.Form.Edit1->text(), QStringLiteral("192.168.0.1/st_poe.htm"));
    QCOMPARE(f.Form.focusWidget(), f.Form.Edit2);
    f.Form.Edit1->setText(QStringLiteral("192.168.0.1/other.htm"));
    f.Form.hide();
    f.Main.edURL->setText(QStringLiteral("10.0.0.138/wan.html"));
    f.Form.show();
    QCOMPARE(f.Form.Edit1->text(), QStringLiteral("10.0.0.138/wan.html"));
}

void Form2WindowTest::checkBoxGovernsDefaultLogin()
{
    TFeedbackFixture f;
    f.Form.show();
    const QList<QWidget*> login = {f.Form.Edit4, f.Form.Edit5, f.Form.Label7, f.Form.Label8, f.Form.Label9, f.Form.Label10};
    for (QWidget* control : login)
        QVERIFY(!control->isEnabled());
    QTest::mouseClick(f.Form.CheckBox1, Qt::LeftButton);
    for (QWidget* control : login)
        QVERIFY(control->isEnabled());
    QTest::keyClicks(f.Form.Edit4, QStringLiteral("admin"));
    QTest::keyClicks(f.Form.Edit5, QStringLiteral("1234"));
    QTest::mouseClick(f.Form.CheckBox1, Qt::LeftButton);
    for (QWidget* control : login)
        QVERIFY(!control->isEnabled());
    QTest::mouseClick(f.Form.CheckBox1, Qt::LeftButton);
    QVERIFY(f.Form.Edit4->text().isEmpty());
    QVERIFY(f.Form.Edit5->text().isEmpty());
}

void Form2WindowTest::submitComposesTheLink_data()
{
    QTest::addColumn<bool>("defaultLogin");
    QTest::addColumn<QString>("manufacturer");
    QTest::addColumn<QString>("model");
    QTest::addColumn<QString>("keyword");
    QTest::newRow("plain, no login") << false << "Netgear" << "DG834" << "WAN IP:";
    QTest::newRow("plain, with login") << true << "Netgear" << "DG834" << "WAN IP:";
    QTest::newRow("ampersand and friends") << true << "AT&T" << "2Wire #3 ?x=1 100%" << "IP&nbsp;Address";
    QTest::newRow("non-ASCII and plus") << false << QString::fromUtf8("Telefónica") << "a+b c" << QString::fromUtf8("Dirección IP:");
}

void Form2WindowTest::submitComposesTheLink()
{
    QFETCH(bool, defaultLogin);
    QFETCH(QString, manufacturer);
    QFETCH(QString, model);
    QFETCH(QString, keyword);
    TFeedbackFixture f;
    f.Main.edURL->setText(QStringLiteral("192.168.0.1/s&t.htm"));
    f.Main.edKeyword->setText(keyword);
    f.Main.edChartoSkip->setText(QStringLiteral("12"));
    f.Form.show();
    f.Form.Edit2->setText(manufacturer);
    f.Form.Edit3->setText(model);
    if (defaultLogin) {
        f.Form.CheckBox1->click();
        f.Form.Edit4->setText(QStringLiteral("ad&min"));
        f.Form.Edit5->setText(QStringLiteral("p=w"));
    }
    QTest::mouseClick(f.Form.Button1, Qt::LeftButton);

    QCOMPARE(f.Fixture.Dialogs.OpenedUrls.size(), 1);
    const QString link = f.Fixture.Dialogs.OpenedUrls.first();
    QVERIFY(link.contains(QStringLiteral("%0D%0A")));
    QVERIFY(!link.contains(u' '));
    const TMailto parsed = Parse(link);
    QCOMPARE(parsed.Address, QString::fromLatin1(kFeedbackAddress.data(), int(kFeedbackAddress.size())));
    QCOMPARE(parsed.Keys, QStringList({"subject", "body"}));
    QCOMPARE(parsed.Subject, QStringLiteral("Router Date Returned From Kestrune"));
    QStringList lines = {QStringLiteral("Manufacturer: ") + manufacturer, QStringLiteral("Model: ") + model,
                         QStringLiteral("Default URL: http://192.168.0.1/s&t.htm")};
    if (defaultLogin)
        lines << QStringLiteral("A default username and password is required.") << QStringLiteral("Default Username: ad&min")
              << QStringLiteral("Default password: p=w");
    lines << QStringLiteral("Keywords: ") + keyword << QStringLiteral("Search Value: 12") << QString(42, u'-')
          << QStringLiteral("Please add a comment here if you wish... Thanks.") << QString() << QString();
    QCOMPARE(parsed.BodyLines, lines);
    QVERIFY(!f.Form.isVisible());
    QCOMPARE(f.Form.result(), int(QDialog::Accepted));
}

void Form2WindowTest::cancelComposesNothing()
{
    TFeedbackFixture f;
    f.Form.show();
    f.Form.Edit2->setText(QStringLiteral("Netgear"));
    QTest::mouseClick(f.Form.Button2, Qt::LeftButton);
    QVERIFY(!f.Form.isVisible());
    QVERIFY(f.Fixture.Dialogs.OpenedUrls.isEmpty());
    QVERIFY(f.Fixture.Dialogs.Shown.isEmpty());
}

void Form2WindowTest::feedbackButtonOpensFormModallyBesideWindow()
{
    TFeedbackFixture f;
    f.Main.show();
    f.Main.move(200, 120);
    f.Main.edURL->setText(QStringLiteral("192.168.1.254/wan.htm"));
    f.Main.edKeyword->setText(QStringLiteral("WAN IP:"));
    f.Main.edChartoSkip->setText(QStringLiteral("0"));
    f.Main.PageControl9->setCurrentWidget(f.Main.TsSystem);
    QVERIFY(f.Main.btnFeedBack->isEnabled());

    bool seen = false;
    QPoint at;
    bool modal = false;
    QString edit1;
    QTimer::singleShot(0, &f.Form, [&] {
        seen = f.Form.isVisible();
        at = f.Form.pos();
        modal = QApplication::activeModalWidget() == &f.Form;
        edit1 = f.Form.Edit1->text();
        f.Form.Button2->click();
    });
    QTest::mouseClick(f.Main.btnFeedBack, Qt::LeftButton);
    QVERIFY(seen);
    QVERIFY(modal);
    QCOMPARE(at, f.Main.frameGeometry().topLeft() + QPoint(50, 40));
    QCOMPARE(edit1, QStringLiteral("192.168.1.254/wan.htm"));
    QVERIFY(!f.Form.isVisible());
    QVERIFY(f.Fixture.Dialogs.OpenedUrls.isEmpty());
}

QTEST_MAIN(Form2WindowTest)
#include "Form2WindowTest.moc"
