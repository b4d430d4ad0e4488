#include "FormFixture.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTabBar>
#include <QTabWidget>
#include <QtTest>
#include <functional>

namespace {

using TSetup = std::function<void(TForm1&, const QString& existingFile)>;

// A mouse click on the tab of page, as a user makes it.
void ClickTab(TForm1& form, QWidget* page)
{
    QTabBar* bar = form.PageControl9->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, bar->tabRect(form.PageControl9->indexOf(page)).center());
}

void FillFtp(TForm1& form, const QString& file)
{
    form.cbFTP->setChecked(true);
    form.RemoteHost->setText(QStringLiteral("ftp.example.org"));
    form.Username->setText(QStringLiteral("user"));
    form.Password->setText(QStringLiteral("secret"));
    form.edLocalFile->setText(file);
    form.edRemote->setText(QStringLiteral("ip.html"));
}

void FillMail(TForm1& form)
{
    form.cbWebMail->setChecked(true);
    form.edWebTo->setText(QStringLiteral("me@example.org"));
    form.edWebSMTP->setText(QStringLiteral("smtp.example.org"));
    form.cboxWebAuth->setChecked(false);
    form.edWebUser->clear();
    form.edWebPass->clear();
}

QString HelpPath(const TFormFixture& fixture) { return fixture.ExecutablePath() + QStringLiteral(".html"); }

QString Resource(const QString& name)
{
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

QString FileText(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

void Drop(QObject* target, const QList<QUrl>& urls, bool* entered = nullptr)
{
    QMimeData data;
    data.setUrls(urls);
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    if (entered)
        *entered = enter.isAccepted();
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
}

const char* const kHelpMissing = "The help file cannot be located. Please shut down Kestrune and restart.\r\n\r\n";

} // namespace

class ExtrasWindowTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }
    void leavingFtpAndMailTabsChecksFields();
    void keysRunTheCheckAndTheWheelChangesNoTab();
    void programMadeTabChangesRunNoCheck();
    void leavingTestTabWithUnappliedEdits();
    void debugViewFollowsModifiers();
    void helpFileLifecycleAndButton();
    void webLinkOpensAndShowsHandCursor();
    void droppedFilesPutFirstPathInPageView();
    void systemTabEnablesFeedback_data();
    void systemTabEnablesFeedback();
};

void ExtrasWindowTest::leavingFtpAndMailTabsChecksFields()
{
    struct TCase {
        const char* Name;
        QWidget* TForm1::*Leaving;
        TSetup Setup;
        QString Message; // empty: no message and the tab changes
    };
    const QList<TCase> cases = {
        {"ftp complete", &TForm1::TsFTP, [](TForm1& f, const QString& file) { FillFtp(f, file); }, {}},
        {"ftp host and remote name empty: only the last", &TForm1::TsFTP,
         [](TForm1& f, const QString& file) {
             FillFtp(f, file);
             f.RemoteHost->clear();
             f.edRemote->clear();
         },
         QStringLiteral("A remote filename needs to be specified.")},
        {"ftp everything empty", &TForm1::TsFTP,
         [](TForm1& f, const QString&) { f.cbFTP->setChecked(true); },
         QStringLiteral("A remote filename needs to be specified.")},
        {"ftp user and password empty", &TForm1::TsFTP,
         [](TForm1& f, const QString& file) {
             FillFtp(f, file);
             f.Username->clear();
             f.Password->clear();
         },
         QStringLiteral("Password needs to be specified.")},
        {"ftp template missing", &TForm1::TsFTP,
         [](TForm1& f, const QString& file) { FillFtp(f, file + QStringLiteral(".gone")); },
         QStringLiteral("Local file does not exist.")},
        {"ftp template is a folder", &TForm1::TsFTP,
         [](TForm1& f, const QString& file) { FillFtp(f, QFileInfo(file).absolutePath()); },
         QStringLiteral("Local file does not exist.")},
        {"ftp blanks count as text", &TForm1::TsFTP,
         [](TForm1& f, const QString& file) {
             FillFtp(f, file);
             for (QLineEdit* field : {f.RemoteHost, f.Username, f.Password, f.edRemote})
                 field->setText(QStringLiteral(" "));
         },
         {}},
        {"ftp off", &TForm1::TsFTP, [](TForm1&, const QString&) {}, {}},
        {"ftp off, mail incomplete but not left", &TForm1::TsFTP,
         [](TForm1& f, const QString&) { f.cbWebMail->setChecked(true); }, {}},
        {"mail complete without login", &TForm1::TsMail, [](TForm1& f, const QString&) { FillMail(f); }, {}},
        {"mail To and server empty: only the last", &TForm1::TsMail,
         [](TForm1& f, const QString&) {
             FillMail(f);
             f.edWebTo->clear();
             f.edWebSMTP->clear();
         },
         QStringLiteral("An SMTP server needs to be specified.")},
        {"mail login on, both empty", &TForm1::TsMail,
         [](TForm1& f, const QString&) {
             FillMail(f);
             f.cboxWebAuth->setChecked(true);
         },
         QStringLiteral("Password needs to be specified.")},
        {"mail login on, user empty", &TForm1::TsMail,
         [](TForm1& f, const QString&) {
             FillMail(f);
             f.cboxWebAuth->setChecked(true);
             f.edWebPass->setText(QStringLiteral("pw"));
         },
         QStringLiteral("Username needs to be specified.")},
        {"mail login on, complete", &TForm1::TsMail,
         [](TForm1& f, const QString&) {
             FillMail(f);
             f.cboxWebAuth->setChecked(true);
             f.edWebUser->setText(QStringLiteral("u"));
             f.edWebPass->setText(QStringLiteral("pw"));
         },
         {}},
        {"mail off, ftp incomplete but not left", &TForm1::TsMail,
         [](TForm1& f, const QString&) { f.cbFTP->setChecked(true); }, {}},
    };
    for (const TCase& c : cases) {
        TFormFixture fixture;
        fixture.Folder.Write("template.html", "<p>{IP}</p>");
        TForm1& form = fixture.Start();
        form.show();
        QWidget* leaving = form.*(c.Leaving);
        form.PageControl9->setCurrentWidget(leaving);
        c.Setup(form, QString::fromStdString(fixture.Folder.File("template.html")));
        fixture.Dialogs.Clear();

        ClickTab(form, form.TsSystem);
        const QStringList expected = c.Message.isEmpty() ? QStringList() : QStringList{c.Message};
        QVERIFY2(fixture.Dialogs.Messages() == expected,
                 qPrintable(QStringLiteral("%1: %2").arg(QLatin1String(c.Name), fixture.Dialogs.Messages().join(u'|'))));
        QVERIFY2(fixture.Dialogs.Shown.size() == expected.size(), c.Name);
        QVERIFY2(form.PageControl9->currentWidget() == (c.Message.isEmpty() ? form.TsSystem : leaving), c.Name);
    }
}

void ExtrasWindowTest::keysRunTheCheckAndTheWheelChangesNoTab()
{
    TFormFixture fixture;
    TForm1& form = fixture.Start();
    form.show();
    form.PageControl9->setCurrentWidget(form.TsFTP);
    form.cbFTP->setChecked(true);
    const QString message = QStringLiteral("A remote filename needs to be specified.");

    QTest::keyClick(form.PageControl9, Qt::Key_Tab, Qt::ControlModifier);
    QTest::keyClick(form.PageControl9->tabBar(), Qt::Key_Right);
    QTest::keyClick(form.PageControl9->tabBar(), Qt::Key_Left);
    QCOMPARE(fixture.Dialogs.Messages(), QStringList({message, message, message}));
    QCOMPARE(form.PageControl9->currentWidget(), form.TsFTP);

    QWheelEvent wheel(QPointF(5, 5), form.PageControl9->tabBar()->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, -120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(form.PageControl9->tabBar(), &wheel);
    QCOMPARE(form.PageControl9->currentWidget(), form.TsFTP);

    // With the fields complete, the same keys move on.
    form.cbFTP->setChecked(false);
    fixture.Dialogs.Clear();
    QTest::keyClick(form.PageControl9->tabBar(), Qt::Key_Right);
    QCOMPARE(form.PageControl9->currentWidget(), form.TsMail);
    QTest::keyClick(form.PageControl9, Qt::Key_Backtab, Qt::ControlModifier);
    QCOMPARE(form.PageControl9->currentWidget(), form.TsFTP);
    QVERIFY(fixture.Dialogs.Shown.isEmpty());
}

void ExtrasWindowTest::programMadeTabChangesRunNoCheck()
{
    TFormFixture fixture;
    TForm1& form = fixture.Start();
    form.show();
    form.PageControl9->setCurrentWidget(form.TsFTP);
    form.cbFTP->setChecked(true);
    form.PageControl9->setCurrentWidget(form.TsMail);
    form.cbWebMail->setChecked(true);
    form.hide();
    form.show(); // FormShow makes the user tab active
    QCOMPARE(form.PageControl9->currentWidget(), form.TsUser);
    QVERIFY(fixture.Dialogs.Shown.isEmpty());
}

void ExtrasWindowTest::leavingTestTabWithUnappliedEdits()
{
    TFormFixture fixture;
    TForm1& form = fixture.Start();
    form.show();
    const QPoint questionAt = form.frameGeometry().topLeft() + QPoint(120, 150);

    // Nothing edited: no question.
    form.PageControl9->setCurrentWidget(form.TsTest);
    QVERIFY(!form.btnWebEdit->isEnabled());
    ClickTab(form, form.TsFTP);
    QCOMPARE(form.PageControl9->currentWidget(), form.TsFTP);
    QVERIFY(fixture.Dialogs.Shown.isEmpty());

    struct TStep {
        bool Answer;
        QString Question;
        int RowsAfter;
    };
    const QString add = QStringLiteral("Data has changed. Add to user-defined?");
    const QString apply = QStringLiteral("Data has changed. Apply changes?");
    const QList<TStep> steps = {{false, add, 0}, {true, add, 1}, {false, apply, 1}, {true, apply, 1}};
    int edit = 0;
    for (const TStep& step : steps) {
        form.PageControl9->setCurrentWidget(form.TsTest);
        form.edURL->setText(QStringLiteral("192.168.1.1/status.htm"));
        form.edKeyword->setText(QStringLiteral("WAN IP %1:").arg(++edit));
        form.edChartoSkip->setText(QStringLiteral("0"));
        QVERIFY(form.btnWebEdit->isEnabled());
        const QString storedBefore = form.CheckListBox5->count() ? form.CheckListBox5->item(0)->text() : QString();
        fixture.Dialogs.Clear();
        fixture.Dialogs.ConfirmAnswers.enqueue(step.Answer);
        fixture.Dialogs.InputAnswers.enqueue(QStringLiteral("Home"));

        ClickTab(form, form.TsFTP);
        QCOMPARE(fixture.Dialogs.Texts(TScriptedDialogs::EKind::Confirm), QStringList{step.Question});
        QCOMPARE(fixture.Dialogs.Shown.first().Position, questionAt);
        QCOMPARE(form.PageControl9->currentWidget(), form.TsFTP);
        QCOMPARE(form.ListBox5->count(), step.RowsAfter);
        const QString storedAfter = form.CheckListBox5->count() ? form.CheckListBox5->item(0)->text() : QString();
        const bool stored = step.Answer;
        QCOMPARE(storedAfter.contains(form.edKeyword->text()), stored);
        if (!stored)
            QCOMPARE(storedAfter, storedBefore);
        // Adding asks for the name; applying does not.
        QCOMPARE(fixture.Dialogs.Texts(TScriptedDialogs::EKind::Input).size(), step.Answer && step.Question == add ? 1 : 0);
    }
}

void ExtrasWindowTest::debugViewFollowsModifiers()
{
    TFormFixture fixture;
    TForm1& form = fixture.Start();
    form.show();
    form.PageControl9->setCurrentWidget(form.TsTest);
    QVERIFY(form.CheckListBox5->isHidden());

    struct TPress {
        Qt::MouseButton Button;
        Qt::KeyboardModifiers Keys;
        bool Shown;
    };
    const QList<TPress> presses = {
        {Qt::LeftButton, Qt::ControlModifier, true},
        {Qt::LeftButton, Qt::NoModifier, false},
        {Qt::RightButton, Qt::ShiftModifier, true},
        {Qt::LeftButton, Qt::ShiftModifier | Qt::ControlModifier, true},
        {Qt::MiddleButton, Qt::AltModifier, false},
        {Qt::MiddleButton, Qt::ControlModifier | Qt::AltModifier, true},
    };
    for (const TPress& press : presses) {
        QTest::mousePress(form.Label6, press.Button, press.Keys);
        QTest::mouseRelease(form.Label6, press.Button, press.Keys);
        for (QWidget* part : {static_cast<QWidget*>(form.CheckListBox5), static_cast<QWidget*>(form.CheckListBox6),
                              static_cast<QWidget*>(form.Panel4)})
            QCOMPARE(!part->isHidden(), press.Shown);
        QCOMPARE(form.cbDebug->isChecked(), press.Shown);
        QVERIFY(form.cbDebug->isHidden());
    }

    // The view is on when the window closes, off again at the next start.
    QVERIFY(fixture.Close());
    TForm1& again = fixture.Start();
    QVERIFY(!again.cbDebug->isChecked());
    QVERIFY(again.CheckListBox5->isHidden());
    QVERIFY(again.Panel4->isHidden());
}

void ExtrasWindowTest::helpFileLifecycleAndButton()
{
    TFormFixture fixture;
    TForm1& form = fixture.Start();
    const QString help = HelpPath(fixture);
    const QString document = FileText(help);
    QCOMPARE(document, Resource(QStringLiteral(":/kestrune/help/kestrune.html")));

    // Six topics in their order, each listed in the contents.
    QStringList topics;
    const QRegularExpression heading(QStringLiteral("<h2 id=\"(\\w+)\">([^<]+)</h2>"));
    for (const QRegularExpressionMatch& match : heading.globalMatch(document))
        if (match.captured(1) != QStringLiteral("contents")) {
            topics << match.captured(2);
            QVERIFY(document.contains(QStringLiteral("<a href=\"#%1\">%2</a>").arg(match.captured(1), match.captured(2))));
        }
    QCOMPARE(topics, QStringList({"Installing and Uninstalling", "User-Defined Service", "The FTP Tab",
                                  "The E-mail Tab", "The Local Files Tab", "Other Tabs &amp; Info"}));

    QTest::mouseClick(form.btnHelp, Qt::LeftButton);
    QCOMPARE(fixture.Dialogs.OpenedUrls.size(), 1);
    QCOMPARE(QUrl(fixture.Dialogs.OpenedUrls.first()).toLocalFile(), help);
    QVERIFY(fixture.Dialogs.Shown.isEmpty());

    // Another copy from the same folder closing takes the shared file away.
    QVERIFY(QFile::remove(help));
    fixture.Dialogs.Clear();
    QTest::mouseClick(form.btnHelp, Qt::LeftButton);
    QVERIFY(fixture.Dialogs.OpenedUrls.isEmpty());
    const QStringList messages = fixture.Dialogs.Messages();
    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages.first().startsWith(QString::fromLatin1(kHelpMissing)), qPrintable(messages.first()));
    const QString notice = messages.first().mid(int(qstrlen(kHelpMissing)));
    QVERIFY(!notice.trimmed().isEmpty());
    QVERIFY(!notice.contains(u'\n') && !notice.contains(u'\r'));

    QVERIFY(fixture.Close());
    QVERIFY(!QFile::exists(help));

    // A file already there at start is left as it is.
    QFile stale(help);
    QVERIFY(stale.open(QIODevice::WriteOnly));
    stale.write("kept");
    stale.close();
    fixture.Start();
    QCOMPARE(FileText(help), QStringLiteral("kept"));
}

void ExtrasWindowTest::webLinkOpensAndShowsHandCursor()
{
    TFormFixture fixture;
    TForm1& form = fixture.Start();
    form.show();
    form.PageControl9->setCurrentWidget(form.TsSystem);
    const QUrl address(form.Label5->text());
    QVERIFY(address.isValid());
    QVERIFY(address.scheme() == QStringLiteral("https") || address.scheme() == QStringLiteral("http"));

    QTest::mouseClick(form.Label5, Qt::RightButton);
    QVERIFY(fixture.Dialogs.OpenedUrls.isEmpty());
    QTest::mouseClick(form.Label5, Qt::LeftButton);
    QCOMPARE(fixture.Dialogs.OpenedUrls, QStringList{form.Label5->text()});

    QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), form.Label5->mapToGlobal(QPointF(1, 1)));
    QApplication::sendEvent(form.Label5, &enter);
    QCOMPARE(form.Label5->cursor().shape(), Qt::PointingHandCursor);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(form.Label5, &leave);
    QCOMPARE(form.Label5->cursor().shape(), Qt::ArrowCursor);
    QCOMPARE(form.cursor().shape(), Qt::ArrowCursor);
}

void ExtrasWindowTest::droppedFilesPutFirstPathInPageView()
{
    TFormFixture fixture;
    for (const char* name : {"first file.htm", "second.htm", "third.htm"})
        fixture.Folder.Write(name, "<html>page</html>");
    TForm1& form = fixture.Start();
    form.show();
    QList<QUrl> three;
    for (const char* name : {"first file.htm", "second.htm", "third.htm"})
        three << QUrl::fromLocalFile(QString::fromStdString(fixture.Folder.File(name)));
    const QString first = QDir::toNativeSeparators(three.first().toLocalFile());

    for (QObject* target : {static_cast<QObject*>(&form), static_cast<QObject*>(form.RichEdit1->viewport())}) {
        form.RichEdit1->setPlainText(QStringLiteral("before"));
        bool entered = false;
        Drop(target, three, &entered);
        QVERIFY(entered);
        // The path itself, not the file's contents.
        QCOMPARE(form.RichEdit1->toPlainText(), first);
    }
    // Only a local file in the first place counts.
    form.RichEdit1->setPlainText(QStringLiteral("before"));
    bool entered = true;
    Drop(&form, {QUrl(QStringLiteral("https://example.org/x.htm")), three.first()}, &entered);
    QVERIFY(!entered);
    QCOMPARE(form.RichEdit1->toPlainText(), QStringLiteral("before"));
    QVERIFY(fixture.Dialogs.Shown.isEmpty());
}

void ExtrasWindowTest::systemTabEnablesFeedback_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("skip");
    QTest::addColumn<QString>("keyword");
    QTest::addColumn<bool>("enabled");
    QTest::newRow("all three") << "192.168.1.1/s.htm" << "0" << "WAN IP:" << true;
    QTest::newRow("no address") << "" << "0" << "WAN IP:" << false;
    QTest::newRow("no skip count") << "192.168.1.1/s.htm" << "" << "WAN IP:" << false;
    QTest::newRow("no keyword") << "192.168.1.1/s.htm" << "0" << "" << false;
    QTest::newRow("blank keyword counts") << "192.168.1.1/s.htm" << "0" << " " << true;
}

void ExtrasWindowTest::systemTabEnablesFeedback()
{
    QFETCH(QString, url);
    QFETCH(QString, skip);
    QFETCH(QString, keyword);
    TFormFixture fixture;
    TForm1& form = fixture.Start();
    form.show();
    form.edURL->setText(url);
    form.edChartoSkip->setText(skip);
    form.edKeyword->setText(keyword);
    QFETCH(bool, enabled);
    form.btnFeedBack->setEnabled(!enabled);
    ClickTab(form, form.TsSystem);
    QCOMPARE(form.PageControl9->currentWidget(), form.TsSystem);
    QCOMPARE(form.btnFeedBack->isEnabled(), enabled);
}

QTEST_MAIN(ExtrasWindowTest)
#include "ExtrasWindowTest.moc"
