#include "FeedbackMail.h"
#include "WindowFixture.h"
#include "FeedbackForm.h"
#include "WindowFeedbackHost.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QUrlQuery>
#include <QtTest>

using namespace kestrune::feedback;

using namespace kestrune::app;

namespace {

// The link split back into its parts, each value decoded as a mail program does.
struct Mailto {
    QString address;
    QStringList keys;
    QString subject;
    QStringList bodyLines;
};

Mailto parse(const QString& link)
{
    Mailto parsed;
    if (!link.startsWith(QStringLiteral("mailto:")))
        return parsed;
    const QString rest = link.mid(7);
    const int question = rest.indexOf(u'?');
    parsed.address = rest.left(question);
    for (const QString& pair : rest.mid(question + 1).split(u'&')) {
        const int equals = pair.indexOf(u'=');
        const QString key = pair.left(equals);
        const QString value = QUrl::fromPercentEncoding(pair.mid(equals + 1).toLatin1());
        parsed.keys << key;
        if (key == QStringLiteral("subject"))
            parsed.subject = value;
        else if (key == QStringLiteral("body"))
            parsed.bodyLines = value.split(QStringLiteral("\r\n"));
    }
    return parsed;
}

struct FeedbackFixture {
    FeedbackFixture() : window(fixture.start()), host(window, fixture.dialogs), form(&window, host)
    {
        window.setFeedbackForm(&form);
    }
    WindowFixture fixture;
    MainWindow& window;
    WindowFeedbackHost host;
    kestrune::feedback::FeedbackForm form;
};

} // namespace

class FeedbackFormTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }
    void formIsFixedAndShowsOneAmpersand();
    void showTakesAddressAndFocusesManufacturer();
    void checkBoxGovernsDefaultLogin();
    void submitComposesTheLink_data();
    void submitComposesTheLink();
    void cancelComposesNothing();
    void failedOpenKeepsFormAndCopiesMessage();
    void feedbackButtonOpensFormModallyBesideWindow();
};

void FeedbackFormTest::formIsFixedAndShowsOneAmpersand()
{
    FeedbackFixture f;
    f.form.show();
    QCOMPARE(f.form.windowTitle(), QStringLiteral("Database feedback"));
    QCOMPARE(f.form.minimumSize(), f.form.maximumSize());
    // What the user reads: a single ampersand, and no mnemonic underline in the check box.
    QCOMPARE(f.form.warningLabel()->text().count(u'&'), 1);
    QVERIFY(f.form.warningLabel()->buddy() == nullptr);
    QCOMPARE(f.form.defaultLoginCheck()->text().remove(QStringLiteral("&&")).count(u'&'), 0);
    // Every caption fits its control's width.
    for (QLabel* label : f.form.findChildren<QLabel*>()) {
        // A label with a buddy shows its accelerator's ampersand as an underline.
        const QString shown = label->buddy() ? QString(label->text()).remove(u'&') : label->text();
        if (!label->wordWrap())
            QVERIFY2(label->width() >= label->fontMetrics().horizontalAdvance(shown), qPrintable(label->objectName()));
    }
    QVERIFY(f.form.defaultLoginCheck()->width() >= f.form.defaultLoginCheck()->sizeHint().width());
}

void FeedbackFormTest::showTakesAddressAndFocusesManufacturer()
{
    FeedbackFixture f;
    f.window.userLookupsTab()->urlEdit()->setText(QStringLiteral("192.168.0.1/st_poe.htm"));
    f.form.urlEdit()->setText(QStringLiteral("stale"));
    f.form.show();
    QCOMPARE(f.form.urlEdit()->text(), QStringLiteral("192.168.0.1/st_poe.htm"));
    QCOMPARE(f.form.focusWidget(), f.form.manufacturerEdit());
    f.form.urlEdit()->setText(QStringLiteral("192.168.0.1/other.htm"));
    f.form.hide();
    f.window.userLookupsTab()->urlEdit()->setText(QStringLiteral("10.0.0.138/wan.html"));
    f.form.show();
    QCOMPARE(f.form.urlEdit()->text(), QStringLiteral("10.0.0.138/wan.html"));
}

void FeedbackFormTest::checkBoxGovernsDefaultLogin()
{
    FeedbackFixture f;
    f.form.show();
    QList<QWidget*> login = {f.form.defaultUsernameEdit(), f.form.defaultPasswordEdit()};
    for (QLabel* caption : f.form.loginCaptions())
        login << caption;
    for (QWidget* control : login)
        QVERIFY(!control->isEnabled());
    QTest::mouseClick(f.form.defaultLoginCheck(), Qt::LeftButton);
    for (QWidget* control : login)
        QVERIFY(control->isEnabled());
    QTest::keyClicks(f.form.defaultUsernameEdit(), QStringLiteral("admin"));
    QTest::keyClicks(f.form.defaultPasswordEdit(), QStringLiteral("1234"));
    QTest::mouseClick(f.form.defaultLoginCheck(), Qt::LeftButton);
    for (QWidget* control : login)
        QVERIFY(!control->isEnabled());
    QTest::mouseClick(f.form.defaultLoginCheck(), Qt::LeftButton);
    QVERIFY(f.form.defaultUsernameEdit()->text().isEmpty());
    QVERIFY(f.form.defaultPasswordEdit()->text().isEmpty());
}

void FeedbackFormTest::submitComposesTheLink_data()
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

void FeedbackFormTest::submitComposesTheLink()
{
    QFETCH(bool, defaultLogin);
    QFETCH(QString, manufacturer);
    QFETCH(QString, model);
    QFETCH(QString, keyword);
    FeedbackFixture f;
    f.window.userLookupsTab()->urlEdit()->setText(QStringLiteral("192.168.0.1/s&t.htm"));
    f.window.pageInspectorTab()->keywordEdit()->setText(keyword);
    f.window.pageInspectorTab()->skipEdit()->setText(QStringLiteral("12"));
    f.form.show();
    f.form.manufacturerEdit()->setText(manufacturer);
    f.form.modelEdit()->setText(model);
    if (defaultLogin) {
        f.form.defaultLoginCheck()->click();
        f.form.defaultUsernameEdit()->setText(QStringLiteral("ad&min"));
        f.form.defaultPasswordEdit()->setText(QStringLiteral("p=w"));
    }
    QTest::mouseClick(f.form.submitButton(), Qt::LeftButton);

    QCOMPARE(f.fixture.dialogs.openedUrls.size(), 1);
    const QString link = f.fixture.dialogs.openedUrls.first();
    QVERIFY(link.contains(QStringLiteral("%0D%0A")));
    QVERIFY(!link.contains(u' '));
    const Mailto parsed = parse(link);
    QCOMPARE(parsed.address, QString::fromLatin1(kFeedbackAddress.data(), int(kFeedbackAddress.size())));
    QCOMPARE(parsed.keys, QStringList({"subject", "body"}));
    QCOMPARE(parsed.subject, QStringLiteral("Router Date Returned From Kestrune"));
    QStringList lines = {QStringLiteral("Manufacturer: ") + manufacturer, QStringLiteral("Model: ") + model,
                         QStringLiteral("Default URL: http://192.168.0.1/s&t.htm")};
    if (defaultLogin)
        lines << QStringLiteral("A default username and password is required.") << QStringLiteral("Default Username: ad&min")
              << QStringLiteral("Default password: p=w");
    lines << QStringLiteral("Keywords: ") + keyword << QStringLiteral("Search Value: 12") << QString(42, u'-')
          << QStringLiteral("Please add a comment here if you wish... Thanks.") << QString() << QString();
    QCOMPARE(parsed.bodyLines, lines);
    QVERIFY(!f.form.isVisible());
    QCOMPARE(f.form.result(), int(QDialog::Accepted));
}

void FeedbackFormTest::cancelComposesNothing()
{
    FeedbackFixture f;
    f.form.show();
    f.form.manufacturerEdit()->setText(QStringLiteral("Netgear"));
    QTest::mouseClick(f.form.cancelButton(), Qt::LeftButton);
    QVERIFY(!f.form.isVisible());
    QVERIFY(f.fixture.dialogs.openedUrls.isEmpty());
    QVERIFY(f.fixture.dialogs.shown.isEmpty());
}

void FeedbackFormTest::feedbackButtonOpensFormModallyBesideWindow()
{
    FeedbackFixture f;
    f.window.show();
    f.window.move(200, 120);
    f.window.userLookupsTab()->urlEdit()->setText(QStringLiteral("192.168.1.254/wan.htm"));
    f.window.pageInspectorTab()->keywordEdit()->setText(QStringLiteral("WAN IP:"));
    f.window.pageInspectorTab()->skipEdit()->setText(QStringLiteral("0"));
    f.window.tabs()->setCurrentWidget(f.window.systemTab());
    QVERIFY(f.window.systemTab()->feedbackButton()->isEnabled());

    bool seen = false;
    QPoint at;
    bool modal = false;
    QString edit1;
    QTimer::singleShot(0, &f.form, [&] {
        seen = f.form.isVisible();
        at = f.form.pos();
        modal = QApplication::activeModalWidget() == &f.form;
        edit1 = f.form.urlEdit()->text();
        f.form.cancelButton()->click();
    });
    QTest::mouseClick(f.window.systemTab()->feedbackButton(), Qt::LeftButton);
    QVERIFY(seen);
    QVERIFY(modal);
    QCOMPARE(at, f.window.frameGeometry().topLeft() + QPoint(50, 40));
    QCOMPARE(edit1, QStringLiteral("192.168.1.254/wan.htm"));
    QVERIFY(!f.form.isVisible());
    QVERIFY(f.fixture.dialogs.openedUrls.isEmpty());
}

void FeedbackFormTest::failedOpenKeepsFormAndCopiesMessage()
{
    FeedbackFixture f;
    f.fixture.dialogs.openUrlAnswer = false;
    f.form.show();
    QVERIFY(!f.form.copyButton()->isVisible());
    f.form.manufacturerEdit()->setText(QStringLiteral("Acme"));
    // Enter in a field submits: Submit is the default button.
    QTest::keyClick(f.form.manufacturerEdit(), Qt::Key_Return);
    QCOMPARE(f.fixture.dialogs.openedUrls.size(), 1);
    QVERIFY(f.form.isVisible());
    QCOMPARE(f.form.manufacturerEdit()->text(), QStringLiteral("Acme"));
    QCOMPARE(f.fixture.dialogs.messages().size(), 1);
    QVERIFY(f.fixture.dialogs.messages().first().contains(QStringLiteral("No e-mail program")));
    QVERIFY(f.form.copyButton()->isVisible());

    f.form.copyButton()->click();
    const QStringList lines = f.fixture.dialogs.clipboard.split(QStringLiteral("\r\n"));
    QCOMPARE(lines.value(0), QStringLiteral("To: ") + QString::fromLatin1(kFeedbackAddress.data()));
    QCOMPARE(lines.value(1), QStringLiteral("Subject: ") + QString::fromLatin1(kFeedbackSubject.data()));
    QVERIFY(lines.contains(QStringLiteral("Manufacturer: Acme")));
    QVERIFY(f.form.isVisible());
}

QTEST_MAIN(FeedbackFormTest)
#include "FeedbackFormTest.moc"
