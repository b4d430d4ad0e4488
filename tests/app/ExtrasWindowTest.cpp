#include "HistoryView.h"
#include "LocalFilesTab.h"
#include "LogFile.h"
#include "QtDialogs.h"
#include "WindowFixture.h"

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
#include <QTreeWidget>
#include <QFileInfo>
#include <QtTest>
#include <functional>

using namespace kestrune::actions;

using namespace kestrune::app;

namespace {

using Setup = std::function<void(MainWindow&, const QString& existingFile)>;

// A mouse click on the tab of page, as a user makes it.
void clickTab(MainWindow& form, QWidget* page)
{
    QTabBar* bar = form.tabs()->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, bar->tabRect(form.tabs()->indexOf(page)).center());
}

QWidget* ftpPage(const MainWindow& form) { return form.ftpTab(); }
QWidget* mailPage(const MainWindow& form) { return form.mailTab(); }

void fillFtp(MainWindow& form, const QString& file)
{
    form.ftpTab()->enableCheck()->setChecked(true);
    form.ftpTab()->hostEdit()->setText(QStringLiteral("ftp.example.org"));
    form.ftpTab()->usernameEdit()->setText(QStringLiteral("user"));
    form.ftpTab()->passwordEdit()->setText(QStringLiteral("secret"));
    form.ftpTab()->templateEdit()->setText(file);
    form.ftpTab()->remoteFileEdit()->setText(QStringLiteral("ip.html"));
}

void fillMail(MainWindow& form)
{
    form.mailTab()->sendMailCheck()->setChecked(true);
    form.mailTab()->toEdit()->setText(QStringLiteral("me@example.org"));
    form.mailTab()->serverEdit()->setText(QStringLiteral("smtp.example.org"));
    form.mailTab()->loginCheck()->setChecked(false);
    form.mailTab()->userEdit()->clear();
    form.mailTab()->passwordEdit()->clear();
}

QString helpPath(const WindowFixture& fixture) { return fixture.executablePath() + QStringLiteral(".html"); }

QString resource(const QString& name)
{
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

QString fileText(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

void drop(QObject* target, const QList<QUrl>& urls, bool* entered = nullptr)
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
    void failedOpensSayWhatAndWhere();
    void inputBoxShowsItsWholeTitle();
    void historyViewFollowsTheLog();
    void webLinkOpensAndShowsHandCursor();
    void droppedFilesPutFirstPathInPageView();
    void systemTabEnablesFeedback_data();
    void systemTabEnablesFeedback();
};

void ExtrasWindowTest::leavingFtpAndMailTabsChecksFields()
{
    struct Case {
        const char* name;
        QWidget* (*leaving)(const MainWindow&);
        Setup setup;
        QString message; // empty: no message and the tab changes
    };
    const QList<Case> cases = {
        {"ftp complete", ftpPage, [](MainWindow& f, const QString& file) { fillFtp(f, file); }, {}},
        {"ftp host and remote name empty: only the last", ftpPage,
         [](MainWindow& f, const QString& file) {
             fillFtp(f, file);
             f.ftpTab()->hostEdit()->clear();
             f.ftpTab()->remoteFileEdit()->clear();
         },
         QStringLiteral("A remote filename needs to be specified.")},
        {"ftp everything empty", ftpPage,
         [](MainWindow& f, const QString&) { f.ftpTab()->enableCheck()->setChecked(true); },
         QStringLiteral("A remote filename needs to be specified.")},
        {"ftp user and password empty", ftpPage,
         [](MainWindow& f, const QString& file) {
             fillFtp(f, file);
             f.ftpTab()->usernameEdit()->clear();
             f.ftpTab()->passwordEdit()->clear();
         },
         QStringLiteral("Password needs to be specified.")},
        {"ftp template missing", ftpPage,
         [](MainWindow& f, const QString& file) { fillFtp(f, file + QStringLiteral(".gone")); },
         QStringLiteral("Local file does not exist.")},
        {"ftp template is a folder", ftpPage,
         [](MainWindow& f, const QString& file) { fillFtp(f, QFileInfo(file).absolutePath()); },
         QStringLiteral("Local file does not exist.")},
        {"ftp blanks count as text", ftpPage,
         [](MainWindow& f, const QString& file) {
             fillFtp(f, file);
             for (QLineEdit* field : {f.ftpTab()->hostEdit(), f.ftpTab()->usernameEdit(), f.ftpTab()->passwordEdit(), f.ftpTab()->remoteFileEdit()})
                 field->setText(QStringLiteral(" "));
         },
         {}},
        {"ftp off", ftpPage, [](MainWindow&, const QString&) {}, {}},
        {"ftp off, mail incomplete but not left", ftpPage,
         [](MainWindow& f, const QString&) { f.mailTab()->sendMailCheck()->setChecked(true); }, {}},
        {"mail complete without login", mailPage, [](MainWindow& f, const QString&) { fillMail(f); }, {}},
        {"mail To and server empty: only the last", mailPage,
         [](MainWindow& f, const QString&) {
             fillMail(f);
             f.mailTab()->toEdit()->clear();
             f.mailTab()->serverEdit()->clear();
         },
         QStringLiteral("An SMTP server needs to be specified.")},
        {"mail login on, both empty", mailPage,
         [](MainWindow& f, const QString&) {
             fillMail(f);
             f.mailTab()->loginCheck()->setChecked(true);
         },
         QStringLiteral("Password needs to be specified.")},
        {"mail login on, user empty", mailPage,
         [](MainWindow& f, const QString&) {
             fillMail(f);
             f.mailTab()->loginCheck()->setChecked(true);
             f.mailTab()->passwordEdit()->setText(QStringLiteral("pw"));
         },
         QStringLiteral("Username needs to be specified.")},
        {"mail login on, complete", mailPage,
         [](MainWindow& f, const QString&) {
             fillMail(f);
             f.mailTab()->loginCheck()->setChecked(true);
             f.mailTab()->userEdit()->setText(QStringLiteral("u"));
             f.mailTab()->passwordEdit()->setText(QStringLiteral("pw"));
         },
         {}},
        {"mail off, ftp incomplete but not left", mailPage,
         [](MainWindow& f, const QString&) { f.ftpTab()->enableCheck()->setChecked(true); }, {}},
    };
    for (const Case& c : cases) {
        WindowFixture fixture;
        fixture.folder.Write("template.html", "<p>{IP}</p>");
        MainWindow& form = fixture.start();
        form.show();
        QWidget* leaving = c.leaving(form);
        form.tabs()->setCurrentWidget(leaving);
        c.setup(form, QString::fromStdString(fixture.folder.File("template.html")));
        fixture.dialogs.clear();

        clickTab(form, form.systemTab());
        const QStringList expected = c.message.isEmpty() ? QStringList() : QStringList{c.message};
        QVERIFY2(fixture.dialogs.messages() == expected,
                 qPrintable(QStringLiteral("%1: %2").arg(QLatin1String(c.name), fixture.dialogs.messages().join(u'|'))));
        QVERIFY2(fixture.dialogs.shown.size() == expected.size(), c.name);
        QVERIFY2(form.tabs()->currentWidget() == (c.message.isEmpty() ? form.systemTab() : leaving), c.name);
    }
}

void ExtrasWindowTest::keysRunTheCheckAndTheWheelChangesNoTab()
{
    WindowFixture fixture;
    MainWindow& form = fixture.start();
    form.show();
    form.tabs()->setCurrentWidget(form.ftpTab());
    form.ftpTab()->enableCheck()->setChecked(true);
    const QString message = QStringLiteral("A remote filename needs to be specified.");

    QTest::keyClick(form.tabs(), Qt::Key_Tab, Qt::ControlModifier);
    QTest::keyClick(form.tabs()->tabBar(), Qt::Key_Right);
    QTest::keyClick(form.tabs()->tabBar(), Qt::Key_Left);
    QCOMPARE(fixture.dialogs.messages(), QStringList({message, message, message}));
    QCOMPARE(form.tabs()->currentWidget(), form.ftpTab());

    QWheelEvent wheel(QPointF(5, 5), form.tabs()->tabBar()->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, -120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(form.tabs()->tabBar(), &wheel);
    QCOMPARE(form.tabs()->currentWidget(), form.ftpTab());

    // With the fields complete, the same keys move on.
    form.ftpTab()->enableCheck()->setChecked(false);
    fixture.dialogs.clear();
    QTest::keyClick(form.tabs()->tabBar(), Qt::Key_Right);
    QCOMPARE(form.tabs()->currentWidget(), form.mailTab());
    QTest::keyClick(form.tabs(), Qt::Key_Backtab, Qt::ControlModifier);
    QCOMPARE(form.tabs()->currentWidget(), form.ftpTab());
    QVERIFY(fixture.dialogs.shown.isEmpty());
}

void ExtrasWindowTest::programMadeTabChangesRunNoCheck()
{
    WindowFixture fixture;
    MainWindow& form = fixture.start();
    form.show();
    form.tabs()->setCurrentWidget(form.ftpTab());
    form.ftpTab()->enableCheck()->setChecked(true);
    form.tabs()->setCurrentWidget(form.mailTab());
    form.mailTab()->sendMailCheck()->setChecked(true);
    form.hide();
    form.show(); // FormShow makes the user tab active
    QCOMPARE(form.tabs()->currentWidget(), form.userLookupsTab());
    QVERIFY(fixture.dialogs.shown.isEmpty());
}

void ExtrasWindowTest::leavingTestTabWithUnappliedEdits()
{
    WindowFixture fixture;
    MainWindow& form = fixture.start();
    form.show();
    const QPoint questionAt = form.frameGeometry().topLeft() + QPoint(120, 150);

    // Nothing edited: no question.
    form.tabs()->setCurrentWidget(form.pageInspectorTab());
    QVERIFY(!form.userLookupsTab()->applyButton()->isEnabled());
    clickTab(form, form.ftpTab());
    QCOMPARE(form.tabs()->currentWidget(), form.ftpTab());
    QVERIFY(fixture.dialogs.shown.isEmpty());

    struct Step {
        bool answer;
        QString question;
        int rowsAfter;
    };
    const QString add = QStringLiteral("Data has changed. Add to user-defined?");
    const QString apply = QStringLiteral("Data has changed. Apply changes?");
    const QList<Step> steps = {{false, add, 0}, {true, add, 1}, {false, apply, 1}, {true, apply, 1}};
    int edit = 0;
    for (const Step& step : steps) {
        form.tabs()->setCurrentWidget(form.pageInspectorTab());
        form.userLookupsTab()->urlEdit()->setText(QStringLiteral("192.168.1.1/status.htm"));
        form.pageInspectorTab()->keywordEdit()->setText(QStringLiteral("WAN IP %1:").arg(++edit));
        form.pageInspectorTab()->skipEdit()->setText(QStringLiteral("0"));
        QVERIFY(form.userLookupsTab()->applyButton()->isEnabled());
        const QString storedBefore = form.externalServiceTab()->userRecordsList()->count() ? form.externalServiceTab()->userRecordsList()->item(0)->text() : QString();
        fixture.dialogs.clear();
        fixture.dialogs.confirmAnswers.enqueue(step.answer);
        fixture.dialogs.inputAnswers.enqueue(QStringLiteral("Home"));

        clickTab(form, form.ftpTab());
        QCOMPARE(fixture.dialogs.texts(ScriptedDialogs::Kind::Confirm), QStringList{step.question});
        QCOMPARE(fixture.dialogs.shown.first().position, questionAt);
        QCOMPARE(form.tabs()->currentWidget(), form.ftpTab());
        QCOMPARE(form.userLookupsTab()->userLookupList()->count(), step.rowsAfter);
        const QString storedAfter = form.externalServiceTab()->userRecordsList()->count() ? form.externalServiceTab()->userRecordsList()->item(0)->text() : QString();
        const bool stored = step.answer;
        QCOMPARE(storedAfter.contains(form.pageInspectorTab()->keywordEdit()->text()), stored);
        if (!stored)
            QCOMPARE(storedAfter, storedBefore);
        // Adding asks for the name; applying does not.
        QCOMPARE(fixture.dialogs.texts(ScriptedDialogs::Kind::Input).size(), step.answer && step.question == add ? 1 : 0);
    }
}

void ExtrasWindowTest::debugViewFollowsModifiers()
{
    WindowFixture fixture;
    MainWindow& form = fixture.start();
    form.show();
    form.tabs()->setCurrentWidget(form.pageInspectorTab());
    QVERIFY(form.externalServiceTab()->userRecordsList()->isHidden());

    struct Press {
        Qt::MouseButton button;
        Qt::KeyboardModifiers keys;
        bool shown;
    };
    const QList<Press> presses = {
        {Qt::LeftButton, Qt::ControlModifier, true},
        {Qt::LeftButton, Qt::NoModifier, false},
        {Qt::RightButton, Qt::ShiftModifier, true},
        {Qt::LeftButton, Qt::ShiftModifier | Qt::ControlModifier, true},
        {Qt::MiddleButton, Qt::AltModifier, false},
        {Qt::MiddleButton, Qt::ControlModifier | Qt::AltModifier, true},
    };
    for (const Press& press : presses) {
        QTest::mousePress(form.pageInspectorTab()->debugSwitchLabel(), press.button, press.keys);
        QTest::mouseRelease(form.pageInspectorTab()->debugSwitchLabel(), press.button, press.keys);
        for (QWidget* part : {static_cast<QWidget*>(form.externalServiceTab()->userRecordsList()), static_cast<QWidget*>(form.externalServiceTab()->presetRecordsList()),
                              static_cast<QWidget*>(form.pageInspectorTab()->lookupFieldsPanel())})
            QCOMPARE(!part->isHidden(), press.shown);
        QCOMPARE(form.systemTab()->debugCheck()->isChecked(), press.shown);
        QVERIFY(form.systemTab()->debugCheck()->isHidden());
    }

    // The view is on when the window closes, off again at the next start.
    QVERIFY(fixture.close());
    MainWindow& again = fixture.start();
    QVERIFY(!again.systemTab()->debugCheck()->isChecked());
    QVERIFY(again.externalServiceTab()->userRecordsList()->isHidden());
    QVERIFY(again.pageInspectorTab()->lookupFieldsPanel()->isHidden());
}

void ExtrasWindowTest::helpFileLifecycleAndButton()
{
    WindowFixture fixture;
    MainWindow& form = fixture.start();
    const QString help = helpPath(fixture);
    const QString document = fileText(help);
    QCOMPARE(document, resource(QStringLiteral(":/kestrune/help/kestrune.html")));

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

    QTest::mouseClick(form.userLookupsTab()->helpButton(), Qt::LeftButton);
    QCOMPARE(fixture.dialogs.openedUrls.size(), 1);
    QCOMPARE(QUrl(fixture.dialogs.openedUrls.first()).toLocalFile(), help);
    QVERIFY(fixture.dialogs.shown.isEmpty());

    // Another copy from the same folder closing takes the shared file away.
    QVERIFY(QFile::remove(help));
    fixture.dialogs.clear();
    QTest::mouseClick(form.userLookupsTab()->helpButton(), Qt::LeftButton);
    QVERIFY(fixture.dialogs.openedUrls.isEmpty());
    const QStringList messages = fixture.dialogs.messages();
    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages.first().startsWith(QString::fromLatin1(kHelpMissing)), qPrintable(messages.first()));
    const QString notice = messages.first().mid(int(qstrlen(kHelpMissing)));
    QVERIFY(!notice.trimmed().isEmpty());
    QVERIFY(!notice.contains(u'\n') && !notice.contains(u'\r'));

    QVERIFY(fixture.close());
    QVERIFY(!QFile::exists(help));

    // A file already there at start is left as it is.
    QFile stale(help);
    QVERIFY(stale.open(QIODevice::WriteOnly));
    stale.write("kept");
    stale.close();
    fixture.start();
    QCOMPARE(fileText(help), QStringLiteral("kept"));
}

void ExtrasWindowTest::failedOpensSayWhatAndWhere()
{
    WindowFixture fixture;
    MainWindow& form = fixture.start();
    fixture.dialogs.openUrlAnswer = false;
    form.show();
    QTest::mouseClick(form.userLookupsTab()->helpButton(), Qt::LeftButton);
    QCOMPARE(fixture.dialogs.openedUrls.size(), 1);
    QCOMPARE(fixture.dialogs.messages().size(), 1);
    QVERIFY2(fixture.dialogs.messages().first().contains(QDir::toNativeSeparators(helpPath(fixture))),
             qPrintable(fixture.dialogs.messages().first()));

    fixture.dialogs.clear();
    form.tabs()->setCurrentWidget(form.systemTab());
    QTest::mouseClick(form.systemTab()->webAddressLabel(), Qt::LeftButton);
    QCOMPARE(fixture.dialogs.messages().size(), 1);
    QVERIFY(fixture.dialogs.messages().first().contains(form.systemTab()->webAddressLabel()->text()));
}

void ExtrasWindowTest::inputBoxShowsItsWholeTitle()
{
    QtDialogs dialogs;
    const QString title = QStringLiteral("User-defined Kestrune");
    int width = 0;
    int needed = 0;
    QTimer::singleShot(0, [&] {
        QWidget* box = QApplication::activeModalWidget();
        QVERIFY(box);
        width = box->width();
        needed = box->fontMetrics().horizontalAdvance(title);
        QTest::keyClicks(box->focusWidget(), QStringLiteral("Mine"));
        QTest::keyClick(box->focusWidget(), Qt::Key_Return);
    });
    QCOMPARE(dialogs.inputBox(title, QStringLiteral("Name"), QString()), QStringLiteral("Mine"));
    // The title bar also holds the icon and the window buttons.
    QVERIFY2(width >= needed + 120, qPrintable(QStringLiteral("%1 for %2").arg(width).arg(needed)));
}

void ExtrasWindowTest::historyViewFollowsTheLog()
{
    WindowFixture fixture;
    MainWindow& form = fixture.start();
    form.show();
    const QString log = QFileInfo(fixture.executablePath()).dir().filePath(QStringLiteral("ip.log"));
    form.localFilesTab()->logFileEdit()->setText(log);
    form.tabs()->setCurrentWidget(form.systemTab());
    QTest::mouseClick(form.systemTab()->historyButton(), Qt::LeftButton);
    QVERIFY(form.historyView() && form.historyView()->isVisible());
    QCOMPARE(form.historyView()->periodList()->topLevelItemCount(), 0);  // no log yet

    {
        QFile foreign(log);
        QVERIFY(foreign.open(QIODevice::WriteOnly));
        foreign.write("not an entry\r\n");
    }
    const std::time_t start = std::time(nullptr) - 7200;
    QVERIFY(kestrune::actions::writeLog(log.toStdString(), formatLogEntry(start, DateNames::english(), "203.0.113.7"), 10));
    QVERIFY(kestrune::actions::writeLog(log.toStdString(), formatLogEntry(start + 3600, DateNames::english(), "198.51.100.20"), 10));
    form.actionFinished(kestrune::core::Action::Log, {});
    QTreeWidget* list = form.historyView()->periodList();
    QCOMPARE(list->topLevelItemCount(), 3);
    QCOMPARE(list->topLevelItem(0)->text(0), QStringLiteral("198.51.100.20"));
    QCOMPARE(list->topLevelItem(0)->text(2), QStringLiteral("now"));
    QCOMPARE(list->topLevelItem(1)->text(0), QStringLiteral("203.0.113.7"));
    QCOMPARE(list->topLevelItem(1)->text(3), QStringLiteral("1 h 0 min"));
    QCOMPARE(list->topLevelItem(2)->text(0), QStringLiteral("not an entry"));
    QVERIFY(list->topLevelItem(2)->text(1).isEmpty());
}

void ExtrasWindowTest::webLinkOpensAndShowsHandCursor()
{
    WindowFixture fixture;
    MainWindow& form = fixture.start();
    form.show();
    form.tabs()->setCurrentWidget(form.systemTab());
    const QUrl address(form.systemTab()->webAddressLabel()->text());
    QVERIFY(address.isValid());
    QVERIFY(address.scheme() == QStringLiteral("https") || address.scheme() == QStringLiteral("http"));

    QTest::mouseClick(form.systemTab()->webAddressLabel(), Qt::RightButton);
    QVERIFY(fixture.dialogs.openedUrls.isEmpty());
    QTest::mouseClick(form.systemTab()->webAddressLabel(), Qt::LeftButton);
    QCOMPARE(fixture.dialogs.openedUrls, QStringList{form.systemTab()->webAddressLabel()->text()});

    QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), form.systemTab()->webAddressLabel()->mapToGlobal(QPointF(1, 1)));
    QApplication::sendEvent(form.systemTab()->webAddressLabel(), &enter);
    QCOMPARE(form.systemTab()->webAddressLabel()->cursor().shape(), Qt::PointingHandCursor);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(form.systemTab()->webAddressLabel(), &leave);
    QCOMPARE(form.systemTab()->webAddressLabel()->cursor().shape(), Qt::ArrowCursor);
    QCOMPARE(form.cursor().shape(), Qt::ArrowCursor);
}

void ExtrasWindowTest::droppedFilesPutFirstPathInPageView()
{
    WindowFixture fixture;
    for (const char* name : {"first file.htm", "second.htm", "third.htm"})
        fixture.folder.Write(name, "<html>page</html>");
    MainWindow& form = fixture.start();
    form.show();
    QList<QUrl> three;
    for (const char* name : {"first file.htm", "second.htm", "third.htm"})
        three << QUrl::fromLocalFile(QString::fromStdString(fixture.folder.File(name)));
    const QString first = QDir::toNativeSeparators(three.first().toLocalFile());

    for (QObject* target : {static_cast<QObject*>(&form), static_cast<QObject*>(form.pageInspectorTab()->pageEdit()->viewport())}) {
        form.pageInspectorTab()->pageEdit()->setPlainText(QStringLiteral("before"));
        bool entered = false;
        drop(target, three, &entered);
        QVERIFY(entered);
        // The path itself, not the file's contents.
        QCOMPARE(form.pageInspectorTab()->pageEdit()->toPlainText(), first);
    }
    // Only a local file in the first place counts.
    form.pageInspectorTab()->pageEdit()->setPlainText(QStringLiteral("before"));
    bool entered = true;
    drop(&form, {QUrl(QStringLiteral("https://example.org/x.htm")), three.first()}, &entered);
    QVERIFY(!entered);
    QCOMPARE(form.pageInspectorTab()->pageEdit()->toPlainText(), QStringLiteral("before"));
    QVERIFY(fixture.dialogs.shown.isEmpty());
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
    WindowFixture fixture;
    MainWindow& form = fixture.start();
    form.show();
    form.userLookupsTab()->urlEdit()->setText(url);
    form.pageInspectorTab()->skipEdit()->setText(skip);
    form.pageInspectorTab()->keywordEdit()->setText(keyword);
    QFETCH(bool, enabled);
    form.systemTab()->feedbackButton()->setEnabled(!enabled);
    clickTab(form, form.systemTab());
    QCOMPARE(form.tabs()->currentWidget(), form.systemTab());
    QCOMPARE(form.systemTab()->feedbackButton()->isEnabled(), enabled);
}

QTEST_MAIN(ExtrasWindowTest)
#include "ExtrasWindowTest.moc"
