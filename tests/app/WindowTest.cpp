#include "FormFixture.h"
#include "LocalPage.h"
#include "SpinEdit.h"

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QtTest>
#include <filesystem>
#include <sys/stat.h>

class WindowTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }
    void captions_data();
    void captions();
    void tabsInOrder();
    void designDefaults();
    void passwordFieldsMaskWithPlus();
    void componentsAtDesign();
    void firstStartWithoutSettingsFile();
    void showActivatesUserTabAndCentres();
    void captionsFitAtDesignSize();
    void escapingErrorIsReportedAndProgramGoesOn();
    void startUpCheckErrorIsReportedAndProgramGoesOn_data();
    void startUpCheckErrorIsReportedAndProgramGoesOn();
    void debugViewHiddenWhenStartUpStopsEarly();
};

void WindowTest::captions_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    const char* const rows[][2] = {
        {"Label11", "Kestrune"},
        {"rbExternal", "Use External Service"},
        {"Button12", "Test"},
        {"rbUserDefined", "User defined lookup"},
        {"btnNew", "New"},
        {"btnAdd", "Add to user-defined"},
        {"btnRemove", "Remove "},
        {"btnWebEdit", "Apply"},
        {"cbWebAuth", "Webpage requires authentication"},
        {"btnGetIP", "Get IP"},
        {"btnHelp", "Help"},
        {"btnTest", "Test"},
        {"btnAuto", "Auto"},
        {"btnGetPage", "Get Page"},
        {"btnKeyWord", "Keyword"},
        {"btnFind", "Find..."},
        {"btnMarkIP", "Mark IP"},
        {"Label6", ""},
        {"cbPassword", "Remember password"},
        {"cbFTP", "Enable FTP"},
        {"btnFTP", "Upload"},
        {"Button1", "Browse.."},
        {"cbWebMail", "Send e-mail to:"},
        {"cbSSL", "SSL Connection"},
        {"Button2", "Set Default"},
        {"cboxWebAuth", "Login required"},
        {"btnMailTest", "Test"},
        {"cbSaveIP", "Capture IP address"},
        {"btnSaveIP", "Save As.."},
        {"btnLocalTest", "Test"},
        {"cbLog", "Enable Log file"},
        {"btnSaveLog", "Save As.."},
        {"Label38", "Time left to next check"},
        {"btnStart", "Start"},
        {"btnStopFTP", "Stop"},
        {"cbMinimize", "Minimize to SysTray"},
        {"cbStartMinimized", "Start minimized"},
        {"btnFeedBack", "Feedback..."},
        {"cbDebug", "Debug"},
        {"Label3", "Kestrune v1.1"},
    };
    for (const auto& row : rows)
        QTest::newRow(row[0]) << QString::fromLatin1(row[0]) << QString::fromLatin1(row[1]);
}

void WindowTest::captions()
{
    QFETCH(QString, name);
    QFETCH(QString, caption);
    TFormFixture fixture;
    TForm1& form = fixture.Start();
    QWidget* control = form.findChild<QWidget*>(name);
    QVERIFY2(control, qPrintable(name));
    if (auto* button = qobject_cast<QAbstractButton*>(control))
        QCOMPARE(button->text(), caption);
    else if (auto* label = qobject_cast<QLabel*>(control))
        QCOMPARE(label->text(), caption);
    else
        QFAIL("control without caption");
}

void WindowTest::tabsInOrder()
{
    TFormFixture fixture;
    TForm1& form = fixture.Start();
    const QStringList names = {"TsExternal", "TsUser", "TsTest", "TsFTP", "TsMail", "TabSheet1", "TsSystem"};
    const QStringList captions = {"External Service", "User-Defined Service", "  Test URL ", "FTP",
                                  "  E-mail   ", "Local Files", "System"};
    QCOMPARE(form.PageControl9->count(), 7);
    for (int i = 0; i < 7; ++i) {
        QCOMPARE(form.PageControl9->widget(i)->objectName(), names[i]);
        QCOMPARE(form.PageControl9->tabText(i), captions[i]);
    }
}

void WindowTest::designDefaults()
{
    TFormFixture fixture;
    TForm1& form = fixture.Start();
    QVERIFY(!form.btnWebEdit->isEnabled());
    QVERIFY(!form.btnStopFTP->isEnabled());
    QVERIFY(!form.btnFeedBack->isEnabled());
    QCOMPARE(form.edKeyword->text(), QStringLiteral("<html>"));
    QCOMPARE(form.cboxDNS->count(), 6);
    QVERIFY(form.cboxDNS->isEditable());
    QCOMPARE(form.cboxDNS->currentText(), form.cboxDNS->itemText(0));
    QCOMPARE(form.ListBox6->count(), 3);
    QCOMPARE(form.ListBox6->item(0)->text(), QStringLiteral("Linksys BEFSRU31"));
    QCOMPARE(form.ListBox6->item(1)->text(), QStringLiteral("Mentor MR4A/UK"));
    QCOMPARE(form.ListBox6->item(2)->text(), QStringLiteral("Netgear DG834 (G)"));
    QCOMPARE(form.CheckListBox6->count(), 3);
    QCOMPARE(form.SpinEdit1->MinValue(), 0);
    QCOMPARE(form.SpinEdit1->MaxValue(), 2880);
    QVERIFY(form.cbDebug->isHidden());
    const QColor header = form.Panel1->palette().color(QPalette::Window);
    QCOMPARE(header, QColor(0xA6, 0xD7, 0xF0));
    QVERIFY(form.Panel1->font().bold());
    QVERIFY(form.Panel1->font().pointSizeF() > form.font().pointSizeF());
    QCOMPARE(form.Panel1->alignment(), Qt::AlignCenter);
    QCOMPARE(form.Label11->parentWidget(), form.Panel1);
}

void WindowTest::passwordFieldsMaskWithPlus()
{
    TFormFixture fixture;
    TForm1& form = fixture.Start();
    for (QLineEdit* field : {form.edWebPassword, form.Password, form.edWebPass}) {
        QCOMPARE(field->echoMode(), QLineEdit::Password);
        QCOMPARE(field->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, field),
                 int(QLatin1Char('+').unicode()));
    }
    QCOMPARE(form.edURL->echoMode(), QLineEdit::Normal);
}

void WindowTest::componentsAtDesign()
{
    TFormFixture fixture;
    TForm1& form = fixture.Start();
    const std::pair<QTimer*, int> timers[] = {{form.Timer1, 60000}, {form.Timer2, 20}, {form.IconTimer, 10000},
                                              {form.DNSBlock1, 600000}, {form.DNSBlock2, 600000}};
    for (const auto& [timer, interval] : timers) {
        QCOMPARE(timer->interval(), interval);
        QVERIFY2(!timer->isActive(), qPrintable(timer->objectName()));
    }
    const QList<QAction*> items = form.PopupMenu1->actions();
    QCOMPARE(items.size(), 2);
    QCOMPARE(items[0]->objectName(), QStringLiteral("RestoreKestrune1"));
    QCOMPARE(items[0]->text(), QStringLiteral("Restore Kestrune"));
    QCOMPARE(items[1]->objectName(), QStringLiteral("ExitKestrune1"));
    QCOMPARE(items[1]->text(), QStringLiteral("Exit Kestrune"));
    QStringList pageMenu;
    for (QAction* action : form.PopupMenu2->actions())
        pageMenu << (action->isSeparator() ? QStringLiteral("-") : action->text());
    QCOMPARE(pageMenu, (QStringList{"Cut", "Copy", "Paste", "Select All", "-", "Mark IP Address", "Mark Keyword(s)",
                                    "-", "Find..."}));
    QCOMPARE(form.SaveDialog1.defaultExtension, QStringLiteral("txt"));
}

void WindowTest::firstStartWithoutSettingsFile()
{
    TFormFixture fixture;
    TForm1& form = fixture.Start();
    QCOMPARE(form.SpinEdit1->Text(), QStringLiteral("30"));
    QCOMPARE(form.Panel41->text(), QStringLiteral("0 hr : 30 min"));
    QCOMPARE(form.SpinEdit2->Text(), QStringLiteral("100"));
    QCOMPARE(form.edWebMail->text(), QStringLiteral("Feedback from Kestrune"));
    QCOMPARE(form.edPort->text(), QStringLiteral("25"));
    QVERIFY(form.rbUserDefined->isChecked());
    QVERIFY(!form.rbExternal->isChecked());
    QVERIFY(!form.Button12->isEnabled());
    QCOMPARE(form.ListBox5->count(), 0);
    QCOMPARE(form.ListBox6->currentRow(), -1);
    QVERIFY(form.ListBox6->selectedItems().isEmpty());
    QCOMPARE(form.SelectedRouter, -1);
    QVERIFY(form.Panel1->text().isEmpty());
    QCOMPARE(form.windowTitle(), QStringLiteral("Kestrune"));
    QVERIFY(!form.Timer1->isActive());
    QVERIFY(!form.Timer2->isActive());
    QVERIFY(form.btnStart->isEnabled());
    QVERIFY(form.Panel30->text().isEmpty());
    QCOMPARE(form.cbAutoStartRefresh->text(), QStringLiteral("Start automatically"));
    QVERIFY(!form.cbAutoStartRefresh->isChecked());
    QVERIFY(form.CheckListBox5->isHidden());
    QVERIFY(form.CheckListBox6->isHidden());
    QVERIFY(form.Panel4->isHidden());
    QCOMPARE(form.CheckListBox6->item(0)->checkState(), Qt::Checked);
    QCOMPARE(form.CheckListBox6->item(1)->checkState(), Qt::Unchecked);
    QCOMPARE(form.CheckListBox6->item(2)->checkState(), Qt::Checked);
    QVERIFY(!form.btnFTP->isEnabled());
    QVERIFY(fixture.Dialogs.Shown.isEmpty());
    QVERIFY(!QFile::exists(QString::fromStdString(fixture.SettingsPath())));
}

void WindowTest::showActivatesUserTabAndCentres()
{
    TFormFixture fixture;
    TForm1& form = fixture.Start();
    QVERIFY(!form.isVisible());
    form.PageControl9->setCurrentWidget(form.TsSystem);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QCOMPARE(form.PageControl9->currentWidget(), form.TsUser);
    QVERIFY(form.acceptDrops());
    const QPoint screenCentre = form.screen()->availableGeometry().center();
    QVERIFY2((form.frameGeometry().center() - screenCentre).manhattanLength() <= 2,
             qPrintable(QStringLiteral("window centre off by %1")
                            .arg((form.frameGeometry().center() - screenCentre).manhattanLength())));
    form.PageControl9->setCurrentWidget(form.TsMail);
    form.hide();
    form.show();
    QCOMPARE(form.PageControl9->currentWidget(), form.TsUser);
    QVERIFY(form.minimumSize().width() >= 600 && form.minimumSize().height() >= 500);
}

void WindowTest::captionsFitAtDesignSize()
{
    TFormFixture fixture;
    TForm1& form = fixture.Start();
    form.cbDebug->setChecked(true);
    for (QWidget* debugOnly : {static_cast<QWidget*>(form.CheckListBox5), static_cast<QWidget*>(form.CheckListBox6),
                               static_cast<QWidget*>(form.Panel4)})
        debugOnly->setVisible(true);
    form.show();
    form.resize(form.minimumSize());
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    const QTabBar* tabs = form.PageControl9->tabBar();
    for (int tab = 0; tab < tabs->count(); ++tab)
        QVERIFY2(tabs->tabRect(tab).right() < tabs->width(), qPrintable(tabs->tabText(tab) + " is out of sight"));
    const QByteArray shots = qgetenv("KESTRUNE_SCREENSHOT_DIR");
    for (int tab = 0; tab < form.PageControl9->count(); ++tab) {
        form.PageControl9->setCurrentIndex(tab);
        QCoreApplication::processEvents();
        QWidget* page = form.PageControl9->widget(tab);
        for (QWidget* control : page->findChildren<QWidget*>()) {
            if (!control->isVisible())
                continue;
            const bool captioned = qobject_cast<QAbstractButton*>(control) || qobject_cast<QLabel*>(control);
            if (!captioned)
                continue;
            QVERIFY2(control->width() >= control->minimumSizeHint().width(),
                     qPrintable(page->objectName() + ": " + control->objectName() + " '" +
                                (qobject_cast<QLabel*>(control) ? qobject_cast<QLabel*>(control)->text()
                                                                : qobject_cast<QAbstractButton*>(control)->text()) +
                                "' is cut"));
            QVERIFY2(page->rect().contains(QRect(control->mapTo(page, QPoint(0, 0)), control->size())),
                     qPrintable(page->objectName() + ": " + control->objectName() + " lies outside its tab"));
        }
        if (!shots.isEmpty())
            form.grab().save(QString::fromLocal8Bit(shots) + QStringLiteral("/tab%1.png").arg(tab));
    }
}

void WindowTest::escapingErrorIsReportedAndProgramGoesOn()
{
    TFormFixture fixture;
    TForm1& form = fixture.Start();
    bool after = false;
    form.Guarded([] { throw std::runtime_error("I/O error 5"); });
    form.Guarded([&] { after = true; });
    QCOMPARE(fixture.Dialogs.Errors(), QStringList{"I/O error 5"});
    QVERIFY(after);
}

void WindowTest::startUpCheckErrorIsReportedAndProgramGoesOn_data()
{
    QTest::addColumn<bool>("lookupFails");
    QTest::addColumn<int>("interval");
    QTest::newRow("IP file after the check, once at start-up") << false << 0;
    QTest::newRow("log after a failed lookup's mail, scheduler") << true << 10;
}

void WindowTest::startUpCheckErrorIsReportedAndProgramGoesOn()
{
    QFETCH(bool, lookupFails);
    QFETCH(int, interval);
    TLocalPage page("<html>WAN IP: 10.1.2.3 Mask</html>");
    TFormFixture fixture;
    const std::string file = fixture.Folder.Write(lookupFails ? "ip.log" : "ip.txt", "");
    ::chmod(file.c_str(), 0444);
    const QString refusing = RefusingAddress();
    const QString lookup = lookupFails ? refusing : page.Address();
    const std::string local = lookupFails ? "SaveLog=1\nLog=" + file : "SaveIP=1\nFilename=" + file;
    fixture.WriteSettings("[Router]\nSelectedRouter=0\n[Routers]\nHome=1\n[RoutersData]\n1," + lookup.toStdString() +
                          ",WAN IP:,0=0\n[Mail]\nSendmail=" + (lookupFails ? "1" : "0") +
                          "\nTo=a@example.com\nFrom=b@example.com\nServer=127.0.0.1\nPort=" +
                          refusing.section(':', 1).section('/', 0, 0).toStdString() + "\n[Local]\n" + local +
                          "\n[System]\nAutoStart=1\nInterval=" + std::to_string(interval) + "\n");

    TForm1& form = fixture.Start();
    QCOMPARE(fixture.Dialogs.Errors().size(), 1);
    QVERIFY2(fixture.Dialogs.Errors()[0].contains(QString::fromStdString(file)), qPrintable(fixture.Dialogs.Errors()[0]));
    QCOMPARE(form.Timer1->isActive(), interval != 0);
    QVERIFY(fixture.Close());
    QVERIFY(fixture.SettingsText().find("AutoStart=1\r\n") != std::string::npos);
}

// Start-up stops at an unwritable help file, before it applies the debug switch; the stored lookups (with
// their scrambled passwords) must stay out of sight all the same.
void WindowTest::debugViewHiddenWhenStartUpStopsEarly()
{
    TFormFixture fixture;
    fixture.WriteSettings("[Routers]\nHome=1\n[RoutersData]\n1,192.168.1.1/s.htm,WAN:,0,admin,secret=1\n");
    const std::string notAFolder = fixture.Folder.Write("plain", "");
    std::filesystem::create_symlink(notAFolder + "/help.html", fixture.Folder.File("kestrune.html"));
    TForm1& form = fixture.Start();
    QCOMPARE(fixture.Dialogs.Errors().size(), 1);
    QCOMPARE(form.CheckListBox5->count(), 1);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    for (QWidget* debugOnly : {static_cast<QWidget*>(form.CheckListBox5), static_cast<QWidget*>(form.CheckListBox6),
                               static_cast<QWidget*>(form.Panel4)})
        QVERIFY2(debugOnly->isHidden(), qPrintable(debugOnly->objectName()));
}

QTEST_MAIN(WindowTest)
#include "WindowTest.moc"
