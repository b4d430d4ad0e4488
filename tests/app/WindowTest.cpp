#include "WindowFixture.h"
#include "LocalPage.h"
#include "SpinBox.h"
#include "WindowSteps.h"

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
#include <QKeySequence>
#include <QtTest>
#include <filesystem>
#include <sys/stat.h>

using namespace kestrune::app;

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
    void acceleratorsUniquePerTab();
    void enterInPageAddressRunsGetIp();
};

void WindowTest::captions_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    const char* const rows[][2] = {
        {"titleLabel", "Kestrune"},
        {"externalRadio", "Use External Service"},
        {"lookupButton", "Test"},
        {"userDefinedRadio", "User defined lookup"},
        {"newButton", "New"},
        {"addButton", "Add to user-defined"},
        {"removeButton", "Remove "},
        {"applyButton", "Apply"},
        {"pageAuthCheck", "Webpage requires authentication"},
        {"getAddressButton", "Get IP"},
        {"helpButton", "Help"},
        {"testButton", "Test"},
        {"autoButton", "Auto"},
        {"getPageButton", "Get Page"},
        {"keywordButton", "Keyword"},
        {"findButton", "Find..."},
        {"markAddressButton", "Mark IP"},
        {"debugSwitchLabel", ""},
        {"rememberPasswordCheck", "Remember password"},
        {"ftpEnableCheck", "Enable FTP"},
        {"uploadButton", "Upload"},
        {"browseTemplateButton", "Browse.."},
        {"sendMailCheck", "Send e-mail to:"},
        {"defaultPortButton", "Set Default"},
        {"mailLoginCheck", "Login required"},
        {"testMailButton", "Test"},
        {"saveAddressCheck", "Capture IP address"},
        {"browseAddressFileButton", "Save As.."},
        {"testAddressFileButton", "Test"},
        {"logCheck", "Enable Log file"},
        {"browseLogButton", "Save As.."},
        {"countdownCaption", "Time left to next check"},
        {"startButton", "Start"},
        {"stopButton", "Stop"},
        {"minimizeToTrayCheck", "Minimize to SysTray"},
        {"startMinimizedCheck", "Start minimized"},
        {"feedbackButton", "Feedback..."},
        {"debugCheck", "Debug"},
        {"productLabel", "Kestrune v1.1"},
    };
    for (const auto& row : rows)
        QTest::newRow(row[0]) << QString::fromLatin1(row[0]) << QString::fromLatin1(row[1]);
}

void WindowTest::captions()
{
    QFETCH(QString, name);
    QFETCH(QString, caption);
    WindowFixture fixture;
    MainWindow& form = fixture.start();
    buildEveryTab(form);
    QWidget* control = form.findChild<QWidget*>(name);
    QVERIFY2(control, qPrintable(name));
    if (auto* button = qobject_cast<QAbstractButton*>(control))
        QCOMPARE(shownCaption(button->text()), caption);
    else if (auto* label = qobject_cast<QLabel*>(control))
        QCOMPARE(label->text(), caption);
    else
        QFAIL("control without caption");
}

void WindowTest::tabsInOrder()
{
    WindowFixture fixture;
    MainWindow& form = fixture.start();
    const QStringList names = {"externalServiceTab", "userLookupsTab", "pageInspectorTab", "ftpTab", "mailTab", "localFilesTab", "dnsUpdateTab",
                               "ipv6Tab", "noticesTab", "systemTab"};
    const QStringList captions = {"External Service", "User-Defined Service", "  Test URL ", "FTP",
                                  "  E-mail   ", "Local Files", "DNS update", "IPv6", "Notices", "System"};
    QCOMPARE(form.tabs()->count(), 10);
    for (int i = 0; i < 10; ++i) {
        QCOMPARE(form.tabs()->widget(i)->objectName(), names[i]);
        QCOMPARE(form.tabs()->tabText(i), captions[i]);
    }
}

void WindowTest::designDefaults()
{
    WindowFixture fixture;
    MainWindow& form = fixture.start();
    QVERIFY(!form.userLookupsTab()->applyButton()->isEnabled());
    QVERIFY(!form.systemTab()->stopButton()->isEnabled());
    QVERIFY(!form.systemTab()->feedbackButton()->isEnabled());
    QCOMPARE(form.pageInspectorTab()->keywordEdit()->text(), QStringLiteral("<html>"));
    QCOMPARE(form.externalServiceTab()->serviceCombo()->count(), 6);
    QVERIFY(form.externalServiceTab()->serviceCombo()->isEditable());
    QCOMPARE(form.externalServiceTab()->serviceCombo()->currentText(), form.externalServiceTab()->serviceCombo()->itemText(0));
    QCOMPARE(form.userLookupsTab()->presetList()->count(), 3);
    QCOMPARE(form.userLookupsTab()->presetList()->item(0)->text(), QStringLiteral("Linksys BEFSRU31"));
    QCOMPARE(form.userLookupsTab()->presetList()->item(1)->text(), QStringLiteral("Mentor MR4A/UK"));
    QCOMPARE(form.userLookupsTab()->presetList()->item(2)->text(), QStringLiteral("Netgear DG834 (G)"));
    QCOMPARE(form.externalServiceTab()->presetRecordsList()->count(), 3);
    QCOMPARE(form.systemTab()->intervalSpin()->minValue(), 0);
    QCOMPARE(form.systemTab()->intervalSpin()->maxValue(), 2880);
    QVERIFY(form.systemTab()->debugCheck()->isHidden());
    const QColor header = form.addressLabel()->palette().color(QPalette::Window);
    QCOMPARE(header, QColor(0xA6, 0xD7, 0xF0));
    QVERIFY(form.addressLabel()->font().bold());
    QVERIFY(form.addressLabel()->font().pointSizeF() > form.font().pointSizeF());
    QCOMPARE(form.addressLabel()->alignment(), Qt::AlignCenter);
    QCOMPARE(form.titleLabel()->parentWidget(), form.addressLabel());
}

void WindowTest::passwordFieldsMaskWithPlus()
{
    WindowFixture fixture;
    MainWindow& form = fixture.start();
    for (QLineEdit* field : {form.userLookupsTab()->pagePasswordEdit(), form.ftpTab()->passwordEdit(), form.mailTab()->passwordEdit()}) {
        QCOMPARE(field->echoMode(), QLineEdit::Password);
        QCOMPARE(field->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, field),
                 int(QLatin1Char('+').unicode()));
    }
    QCOMPARE(form.userLookupsTab()->urlEdit()->echoMode(), QLineEdit::Normal);
}

void WindowTest::componentsAtDesign()
{
    WindowFixture fixture;
    MainWindow& form = fixture.start();
    const std::pair<QTimer*, int> timers[] = {{form.checkTimer(), 60000}, {form.startMinimizedTimer(), 20}, {form.errorIconTimer(), 10000},
                                              {form.serviceBlockTimer(0), 600000}, {form.serviceBlockTimer(1), 600000}};
    for (const auto& [timer, interval] : timers) {
        QCOMPARE(timer->interval(), interval);
        QVERIFY2(!timer->isActive(), qPrintable(timer->objectName()));
    }
    const QList<QAction*> items = form.trayMenu()->actions();
    QCOMPARE(items.size(), 2);
    QCOMPARE(items[0]->objectName(), QStringLiteral("restoreAction"));
    QCOMPARE(items[0]->text(), QStringLiteral("Restore Kestrune"));
    QCOMPARE(items[1]->objectName(), QStringLiteral("exitAction"));
    QCOMPARE(items[1]->text(), QStringLiteral("Exit Kestrune"));
    QStringList pageMenu;
    for (QAction* action : form.pageInspectorTab()->pageMenu()->actions())
        pageMenu << (action->isSeparator() ? QStringLiteral("-") : action->text());
    QCOMPARE(pageMenu, (QStringList{"Cut", "Copy", "Paste", "Select All", "-", "Mark IP Address", "Mark Keyword(s)",
                                    "-", "Find..."}));
    QCOMPARE(form.saveDialogOptions().defaultExtension, QStringLiteral("txt"));
}

void WindowTest::firstStartWithoutSettingsFile()
{
    WindowFixture fixture;
    MainWindow& form = fixture.start();
    QCOMPARE(form.systemTab()->intervalSpin()->text(), QStringLiteral("30"));
    QCOMPARE(form.systemTab()->intervalLabel()->text(), QStringLiteral("0 hr : 30 min"));
    QCOMPARE(form.localFilesTab()->logLinesSpin()->text(), QStringLiteral("100"));
    QCOMPARE(form.mailTab()->subjectEdit()->text(), QStringLiteral("Feedback from Kestrune"));
    QCOMPARE(form.mailTab()->portEdit()->text(), QStringLiteral("25"));
    QVERIFY(form.userLookupsTab()->userDefinedRadio()->isChecked());
    QVERIFY(!form.externalServiceTab()->externalRadio()->isChecked());
    QVERIFY(!form.externalServiceTab()->lookupButton()->isEnabled());
    QCOMPARE(form.userLookupsTab()->userLookupList()->count(), 0);
    QCOMPARE(form.userLookupsTab()->presetList()->currentRow(), -1);
    QVERIFY(form.userLookupsTab()->presetList()->selectedItems().isEmpty());
    QCOMPARE(form.selectionCode(), -1);
    QVERIFY(form.addressLabel()->text().isEmpty());
    QCOMPARE(form.windowTitle(), QStringLiteral("Kestrune"));
    QVERIFY(!form.checkTimer()->isActive());
    QVERIFY(!form.startMinimizedTimer()->isActive());
    QVERIFY(form.systemTab()->startButton()->isEnabled());
    QVERIFY(form.systemTab()->countdownLabel()->text().isEmpty());
    QCOMPARE(shownCaption(form.systemTab()->autoStartCheck()->text()), QStringLiteral("Start automatically"));
    QVERIFY(!form.systemTab()->autoStartCheck()->isChecked());
    QVERIFY(form.externalServiceTab()->userRecordsList()->isHidden());
    QVERIFY(form.externalServiceTab()->presetRecordsList()->isHidden());
    QVERIFY(form.pageInspectorTab()->lookupFieldsPanel()->isHidden());
    QCOMPARE(form.externalServiceTab()->presetRecordsList()->item(0)->checkState(), Qt::Checked);
    QCOMPARE(form.externalServiceTab()->presetRecordsList()->item(1)->checkState(), Qt::Unchecked);
    QCOMPARE(form.externalServiceTab()->presetRecordsList()->item(2)->checkState(), Qt::Checked);
    QVERIFY(!form.ftpTab()->uploadButton()->isEnabled());
    QVERIFY(fixture.dialogs.shown.isEmpty());
    QVERIFY(!QFile::exists(QString::fromStdString(fixture.settingsPath())));
}

void WindowTest::showActivatesUserTabAndCentres()
{
    WindowFixture fixture;
    MainWindow& form = fixture.start();
    QVERIFY(!form.isVisible());
    form.tabs()->setCurrentWidget(form.systemTab());
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QCOMPARE(form.tabs()->currentWidget(), form.userLookupsTab());
    QVERIFY(form.acceptDrops());
    const QPoint screenCentre = form.screen()->availableGeometry().center();
    QVERIFY2((form.frameGeometry().center() - screenCentre).manhattanLength() <= 2,
             qPrintable(QStringLiteral("window centre off by %1")
                            .arg((form.frameGeometry().center() - screenCentre).manhattanLength())));
    form.tabs()->setCurrentWidget(form.mailTab());
    form.hide();
    form.show();
    QCOMPARE(form.tabs()->currentWidget(), form.userLookupsTab());
    QVERIFY(form.minimumSize().width() >= 600 && form.minimumSize().height() >= 500);
}

void WindowTest::captionsFitAtDesignSize()
{
    WindowFixture fixture;
    MainWindow& form = fixture.start();
    form.systemTab()->debugCheck()->setChecked(true);
    for (QWidget* debugOnly : {static_cast<QWidget*>(form.externalServiceTab()->userRecordsList()), static_cast<QWidget*>(form.externalServiceTab()->presetRecordsList()),
                               static_cast<QWidget*>(form.pageInspectorTab()->lookupFieldsPanel())})
        debugOnly->setVisible(true);
    form.show();
    form.resize(form.minimumSize());
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    const QTabBar* tabs = form.tabs()->tabBar();
    for (int tab = 0; tab < tabs->count(); ++tab)
        QVERIFY2(tabs->tabRect(tab).right() < tabs->width(), qPrintable(tabs->tabText(tab) + " is out of sight"));
    const QByteArray shots = qgetenv("KESTRUNE_SCREENSHOT_DIR");
    for (int tab = 0; tab < form.tabs()->count(); ++tab) {
        form.tabs()->setCurrentIndex(tab);
        QCoreApplication::processEvents();
        QWidget* page = form.tabs()->widget(tab);
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
    WindowFixture fixture;
    MainWindow& form = fixture.start();
    bool after = false;
    form.guarded([] { throw std::runtime_error("I/O error 5"); });
    form.guarded([&] { after = true; });
    QCOMPARE(fixture.dialogs.errors(), QStringList{"I/O error 5"});
    QVERIFY(after);
}

void WindowTest::startUpCheckErrorIsReportedAndProgramGoesOn_data()
{
    QTest::addColumn<bool>("viaMail");
    QTest::addColumn<int>("interval");
    QTest::newRow("IP file after the check, once at start-up") << false << 0;
    QTest::newRow("log after the change mail, scheduler") << true << 10;
}

void WindowTest::startUpCheckErrorIsReportedAndProgramGoesOn()
{
    QFETCH(bool, viaMail);
    QFETCH(int, interval);
    LocalPage page("<html>WAN IP: 198.51.100.3 Mask</html>");
    WindowFixture fixture;
    const std::string file = fixture.folder.Write(viaMail ? "ip.log" : "ip.txt", "");
    ::chmod(file.c_str(), 0444);
    const QString refusing = refusingAddress();
    const QString lookup = page.address();
    const std::string local = viaMail ? "SaveLog=1\nLog=" + file : "SaveIP=1\nFilename=" + file;
    fixture.writeSettings("[Router]\nSelectedRouter=0\n[Routers]\nHome=1\n[RoutersData]\n1," + lookup.toStdString() +
                          ",WAN IP:,0=0\n[Mail]\nSendmail=" + (viaMail ? "1" : "0") +
                          "\nTo=a@example.com\nFrom=b@example.com\nServer=127.0.0.1\nPort=" +
                          refusing.section(':', 1).section('/', 0, 0).toStdString() + "\n[Local]\n" + local +
                          "\n[System]\nAutoStart=1\nInterval=" + std::to_string(interval) + "\n");

    MainWindow& form = fixture.start();
    QCOMPARE(fixture.dialogs.errors().size(), 1);
    QVERIFY2(fixture.dialogs.errors()[0].contains(QString::fromStdString(file)), qPrintable(fixture.dialogs.errors()[0]));
    QCOMPARE(form.checkTimer()->isActive(), interval != 0);
    QVERIFY(fixture.close());
    QVERIFY(fixture.settingsText().find("AutoStart=1\r\n") != std::string::npos);
}

// Start-up stops at an unwritable help file, before it applies the debug switch; the stored lookups (with
// their scrambled passwords) must stay out of sight all the same.
void WindowTest::debugViewHiddenWhenStartUpStopsEarly()
{
    WindowFixture fixture;
    fixture.writeSettings("[Routers]\nHome=1\n[RoutersData]\n1,192.168.1.1/s.htm,WAN:,0,admin,secret=1\n");
    const std::string notAFolder = fixture.folder.Write("plain", "");
    std::filesystem::create_symlink(notAFolder + "/help.html", fixture.folder.File("kestrune.html"));
    MainWindow& form = fixture.start();
    QCOMPARE(fixture.dialogs.errors().size(), 1);
    QCOMPARE(form.externalServiceTab()->userRecordsList()->count(), 1);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    for (QWidget* debugOnly : {static_cast<QWidget*>(form.externalServiceTab()->userRecordsList()), static_cast<QWidget*>(form.externalServiceTab()->presetRecordsList()),
                               static_cast<QWidget*>(form.pageInspectorTab()->lookupFieldsPanel())})
        QVERIFY2(debugOnly->isHidden(), qPrintable(debugOnly->objectName()));
}

void WindowTest::acceleratorsUniquePerTab()
{
    WindowFixture fixture;
    MainWindow& form = fixture.start();
    buildEveryTab(form);
    form.show();
    for (int i = 0; i < form.tabs()->count(); ++i) {
        QWidget* tab = form.tabs()->widget(i);
        QMap<QString, QString> taken; // accelerator -> control
        auto claim = [&](const QString& name, const QString& caption) {
            const QString key = QKeySequence::mnemonic(caption).toString();
            QVERIFY2(!taken.contains(key), qPrintable(name + " and " + taken.value(key) + " share " + key));
            taken.insert(key, name);
        };
        for (QAbstractButton* button : tab->findChildren<QAbstractButton*>()) {
            if (!button->isVisibleTo(tab) || button->text().trimmed().isEmpty())
                continue;
            QVERIFY2(!QKeySequence::mnemonic(button->text()).isEmpty(), qPrintable(button->objectName()));
            claim(button->objectName(), button->text());
        }
        for (QLabel* label : tab->findChildren<QLabel*>())
            if (label->buddy() && !QKeySequence::mnemonic(label->text()).isEmpty())
                claim(label->objectName(), label->text());
    }
}

void WindowTest::enterInPageAddressRunsGetIp()
{
    LocalPage page(statusPage(QStringLiteral("198.51.100.44")));
    WindowFixture fixture;
    MainWindow& form = fixture.start();
    form.show();
    useUserDefinedPage(form, page.address());
    QTest::keyClick(form.userLookupsTab()->urlEdit(), Qt::Key_Return);
    QCOMPARE(page.requests(), 1);
    QCOMPARE(form.addressLabel()->text(), QStringLiteral("198.51.100.44"));
}

QTEST_MAIN(WindowTest)
#include "WindowTest.moc"
