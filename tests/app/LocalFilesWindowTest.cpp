// The IP file and the log through the window: the test button, the log's names and size steps, file dialogs.
#include "ActionTestHelpers.h"
#include "LocalPage.h"
#include "WindowFixture.h"
#include "WindowSteps.h"
#include "SpinBox.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTimer>
#include <QtTest>
#include <memory>
#include <sys/stat.h>

using namespace kestrune::app;

class LocalFilesWindowTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }
    void tmpLogIsAnOrdinaryLog();
    void ipFileTestButtonWritesRegardlessOfTheBox();
    void logUsesTheLocaleNames();
    void logSizeSteps_data();
    void logSizeSteps();
    void fileDialogPresets_data();
    void fileDialogPresets();
};

void LocalFilesWindowTest::tmpLogIsAnOrdinaryLog()
{
    LocalPage page(statusPage(QString()));
    WindowFixture fixture;
    MainWindow& form = fixture.start();
    const std::string old = "Mon 01 Jan 2024   00:00:00      10.0.0.1\r\n";
    const std::string log = fixture.folder.Write("ip.tmp", old);
    const std::string ipFile = fixture.folder.File("ip.txt");
    // An upload that fails at once: the later steps then carry "Error".
    form.ftpTab()->enableCheck()->setChecked(true);
    form.ftpTab()->hostEdit()->setText(QStringLiteral("127.0.0.1"));
    form.monitor().ftp().port = portNumberOf(refusingAddress());
    form.localFilesTab()->logCheck()->setChecked(true);
    form.localFilesTab()->logFileEdit()->setText(QString::fromStdString(log));
    form.localFilesTab()->saveAddressCheck()->setChecked(true);
    form.localFilesTab()->addressFileEdit()->setText(QString::fromStdString(ipFile));

    checkOnce(form, page, QStringLiteral("203.0.113.7"));
    QVERIFY2(fixture.dialogs.errors().isEmpty(), qPrintable(fixture.dialogs.errors().join(QLatin1Char('\n'))));
    QCOMPARE(fileBytes(ipFile), std::string("Error"));
    const QStringList lines = crLfLines(log);
    QCOMPARE(lines.size(), 2);
    QCOMPARE(loggedAddress(lines[0]), QStringLiteral("Error"));
    QCOMPARE(lines[1] + QStringLiteral("\r\n"), QString::fromStdString(old));
    // Nor does the clean-up at close take it for a leftover temporary file.
    QVERIFY(fixture.close());
    QCOMPARE(crLfLines(log).size(), 2);
}

void LocalFilesWindowTest::ipFileTestButtonWritesRegardlessOfTheBox()
{
    LocalPage page(statusPage(QString()));
    WindowFixture fixture;
    MainWindow& form = fixture.start();
    const LocalFiles files(fixture);
    files.enable(form, false, false);
    checkOnce(form, page, QStringLiteral("203.0.113.7"));
    QVERIFY(!std::filesystem::exists(files.ipFile));
    form.localFilesTab()->testAddressFileButton()->click();
    QCOMPARE(fileBytes(files.ipFile), std::string("203.0.113.7"));
    QCOMPARE(fixture.dialogs.shown.size(), 0);
}

void LocalFilesWindowTest::logUsesTheLocaleNames()
{
    LocalPage page(statusPage(QString()));
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    WindowFixture fixture;
    MainWindow& form = fixture.start();
    QLocale::setDefault(saved);
    const LocalFiles files(fixture);
    files.enable(form, false, true);
    // With FTP on the change actions log; the upload fails at once and the entry carries "Error".
    form.ftpTab()->enableCheck()->setChecked(true);
    form.ftpTab()->hostEdit()->setText(QStringLiteral("127.0.0.1"));
    form.monitor().ftp().port = portNumberOf(refusingAddress());
    const QDateTime before = QDateTime::currentDateTime();
    checkOnce(form, page, QStringLiteral("203.0.113.7"));

    const QString line = crLfLines(files.logFile).value(0);
    const QLocale german(QLocale::German, QLocale::Germany);
    const QDate day = before.date();
    const QString expectedStart = german.dayName(day.dayOfWeek(), QLocale::ShortFormat) + QLatin1Char(' ') +
                                  day.toString(QStringLiteral("dd")) + QLatin1Char(' ') +
                                  german.monthName(day.month(), QLocale::ShortFormat) + QLatin1Char(' ') +
                                  day.toString(QStringLiteral("yyyy")) + QStringLiteral("   ");
    QVERIFY2(line.startsWith(expectedStart), qPrintable(line + QStringLiteral(" / ") + expectedStart));
    QVERIFY2(line.endsWith(QStringLiteral("      Error")), qPrintable(line));
}

void LocalFilesWindowTest::logSizeSteps_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("step");
    QTest::newRow("0") << "0" << 1;
    QTest::newRow("99") << "99" << 1;
    QTest::newRow("100") << "100" << 10;
    QTest::newRow("999") << "999" << 10;
    QTest::newRow("1000") << "1000" << 100;
    QTest::newRow("9999") << "9999" << 100;
    QTest::newRow("10000") << "10000" << 200;
    QTest::newRow("-1") << "-1" << 200;
    QTest::newRow("letters count as 0") << "abc" << 1;
}

void LocalFilesWindowTest::logSizeSteps()
{
    QFETCH(QString, text);
    QFETCH(int, step);
    WindowFixture fixture;
    MainWindow& form = fixture.start();
    form.localFilesTab()->logLinesSpin()->setText(QStringLiteral("5000"));
    form.localFilesTab()->logLinesSpin()->setText(text);
    QCOMPARE(form.localFilesTab()->logLinesSpin()->increment(), step);
}

void LocalFilesWindowTest::fileDialogPresets_data()
{
    const QString htmlFilter =
        QStringLiteral("Template Files (*.htm;*.html;*.js;*.txt)|*.htm;*.html;*.js;*.txt|HTML Files (*.htm;*.html)|"
                       "*.htm;*.html|Script Files (*.js)|*.js|Text Files (*.txt)|*.txt|All Files (*)|*");
    const QString textFilter = QStringLiteral("Text Files (*.txt)|*.txt");
    const int open = int(ScriptedDialogs::Kind::OpenFile);
    const int save = int(ScriptedDialogs::Kind::SaveFile);
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("boxText");
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QString>("folder"); // empty: the executable's
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("extension");
    QTest::newRow("template empty") << "browseTemplateButton" << "templateEdit" << "" << "" << "" << open << htmlFilter << "";
    QTest::newRow("template path") << "browseTemplateButton" << "templateEdit" << "/srv/www/index.ip.html" << "index.ip"
                                   << "/srv/www" << open << htmlFilter << "";
    QTest::newRow("ip empty") << "browseAddressFileButton" << "addressFileEdit" << "" << "untitled" << "" << save << textFilter << "txt";
    QTest::newRow("ip path") << "browseAddressFileButton" << "addressFileEdit" << "/srv/data/ip.txt" << "ip" << "/srv/data" << save
                             << textFilter << "txt";
    QTest::newRow("log empty") << "browseLogButton" << "logFileEdit" << "" << "untitled" << "" << save << textFilter << "txt";
    QTest::newRow("log path") << "browseLogButton" << "logFileEdit" << "/var/log/kestrune.addr.log" << "kestrune.addr"
                              << "/var/log" << save << textFilter << "txt";
    QTest::newRow("log in root") << "browseLogButton" << "logFileEdit" << "/ip.log" << "ip" << "/" << save << textFilter
                                 << "txt";
}

void LocalFilesWindowTest::fileDialogPresets()
{
    QFETCH(QString, button);
    QFETCH(QString, box);
    QFETCH(QString, boxText);
    QFETCH(QString, fileName);
    QFETCH(QString, folder);
    QFETCH(int, kind);
    QFETCH(QString, filter);
    QFETCH(QString, extension);
    WindowFixture fixture;
    MainWindow& form = fixture.start();
    buildEveryTab(form);
    auto* edit = form.findChild<QLineEdit*>(box);
    auto* browse = form.findChild<QPushButton*>(button);
    QVERIFY(edit && browse);
    edit->setText(boxText);

    browse->click(); // cancelled
    QCOMPARE(edit->text(), boxText);
    fixture.dialogs.fileAnswers.enqueue(QStringLiteral("/chosen/file.txt"));
    browse->click();
    QCOMPARE(edit->text(), QStringLiteral("/chosen/file.txt"));

    const auto& shown = fixture.dialogs.shown;
    QCOMPARE(shown.size(), 2);
    QCOMPARE(int(shown[0].kind), kind);
    QCOMPARE(shown[0].file.fileName, fileName);
    QCOMPARE(shown[0].file.initialDir, folder.isEmpty() ? QString::fromStdString(fixture.folder.Path()) : folder);
    QCOMPARE(shown[0].file.filter, filter);
    QCOMPARE(shown[0].file.defaultExtension, extension);
}

QTEST_MAIN(LocalFilesWindowTest)
#include "LocalFilesWindowTest.moc"
