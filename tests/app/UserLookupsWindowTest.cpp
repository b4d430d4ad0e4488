#include "WindowFixture.h"
#include "ListRows.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QtTest>

using namespace kestrune::app;

namespace {

struct Fields {
    QString url = {}, keyword = {}, skip = {}, user = {}, password = {};
    bool auth = false;
};

void fillFields(MainWindow& form, const Fields& f)
{
    form.userLookupsTab()->urlEdit()->setText(f.url);
    form.pageInspectorTab()->keywordEdit()->setText(f.keyword);
    form.pageInspectorTab()->skipEdit()->setText(f.skip);
    form.userLookupsTab()->pageAuthCheck()->setChecked(f.auth);
    form.userLookupsTab()->pageUsernameEdit()->setText(f.user);
    form.userLookupsTab()->pagePasswordEdit()->setText(f.password);
}

Fields shownTexts(const MainWindow& form)
{
    return {form.userLookupsTab()->urlEdit()->text(),      form.pageInspectorTab()->keywordEdit()->text(),     form.pageInspectorTab()->skipEdit()->text(),
            form.userLookupsTab()->pageUsernameEdit()->text(), form.userLookupsTab()->pagePasswordEdit()->text(), form.userLookupsTab()->pageAuthCheck()->isChecked()};
}

bool same(const Fields& a, const Fields& b)
{
    return a.url == b.url && a.keyword == b.keyword && a.skip == b.skip && a.user == b.user &&
           a.password == b.password && a.auth == b.auth;
}

QString describe(const Fields& f)
{
    return QStringLiteral("[%1|%2|%3|%4|%5|%6]").arg(f.url, f.keyword, f.skip, f.user, f.password).arg(f.auth);
}

// Clicks a row the way the user does, with the list's tab shown.
void clickRow(MainWindow& form, QListWidget* list, int row)
{
    form.tabs()->setCurrentWidget(form.userLookupsTab());
    if (!form.isVisible()) {
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
    }
    const QRect rect = list->visualItemRect(list->item(row));
    QVERIFY(!rect.isEmpty());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
}

// Add through the button, answering the name question.
void addAs(WindowFixture& fixture, const QString& name)
{
    fixture.dialogs.inputAnswers.enqueue(name);
    QVERIFY(fixture.window->userLookupsTab()->addButton()->isEnabled());
    QTest::mouseClick(fixture.window->userLookupsTab()->addButton(), Qt::LeftButton);
}

QStringList listNames(const MainWindow& form)
{
    QStringList names;
    for (int row = 0; row < form.userLookupsTab()->userLookupList()->count(); ++row)
        names << form.userLookupsTab()->userLookupList()->item(row)->text();
    return names;
}

std::vector<std::string> listRecords(const MainWindow& form)
{
    std::vector<std::string> records;
    for (int row = 0; row < form.externalServiceTab()->userRecordsList()->count(); ++row)
        records.push_back(listRows::recordAt(form.externalServiceTab()->userRecordsList(), row));
    return records;
}

// Entries named A, B... whose address is "<name>/x".
void addNamed(WindowFixture& fixture, std::initializer_list<const char*> names)
{
    for (const char* name : names) {
        fillFields(*fixture.window, {QStringLiteral("%1/x").arg(QLatin1String(name)), "k", "1"});
        addAs(fixture, QString::fromLatin1(name));
    }
}

// Clicking each row loads its address and shows its name.
void expectRowsLoad(MainWindow& form, const QStringList& urls)
{
    for (int row = 0; row < urls.size(); ++row) {
        clickRow(form, form.userLookupsTab()->userLookupList(), row);
        QCOMPARE(form.userLookupsTab()->urlEdit()->text(), urls[row]);
        QCOMPARE(form.userLookupsTab()->entryNameLabel()->text(), listNames(form)[row]);
    }
}

const Fields kNetgear{"192.168.0.1/setup.cgi?next_file=s_status.htm", "P Address </b>", "25", "admin", "lanterns",
                       true};

} // namespace

class UserLookupsWindowTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }
    void presetsLoadAndKeepApplyOff_data();
    void presetsLoadAndKeepApplyOff();
    void addRefusesIncompleteFields_data();
    void addRefusesIncompleteFields();
    void duplicateNamesAskAndStayPairedAfterRestart();
    void storedRecordsSequenceAndSubstitute();
    void applyChangesOnlyTheSelectedEntry();
    void removeTakesNameAndRecordTogether();
    void oddNamesAndFieldsSurviveRestart();
    void urlPrefixAndApplyEnabling();
    void arrowKeysLoadTheEntryThatApplyChanges();
};

void UserLookupsWindowTest::presetsLoadAndKeepApplyOff_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("keyword");
    QTest::addColumn<QString>("skip");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::newRow("Linksys") << 0 << "Linksys BEFSRU31" << "192.168.1.1/Status.htm" << "<!--WAN head-->" << "365"
                             << "admin" << "rivet";
    QTest::newRow("Mentor") << 1 << "Mentor MR4A/UK" << "192.168.8.1/home/hstatus.sht" << "or=#FFFFFF><b>" << "1"
                            << "" << "";
    QTest::newRow("Netgear") << 2 << "Netgear DG834 (G)" << kNetgear.url << kNetgear.keyword << "25" << "admin"
                             << "lanterns";
}

void UserLookupsWindowTest::presetsLoadAndKeepApplyOff()
{
    QFETCH(int, row);
    QFETCH(QString, name);
    QFETCH(QString, url);
    QFETCH(QString, keyword);
    QFETCH(QString, skip);
    QFETCH(QString, user);
    QFETCH(QString, password);
    WindowFixture fixture;
    MainWindow& form = fixture.start();
    QCOMPARE(form.userLookupsTab()->presetList()->item(row)->text(), name);
    // Leftovers of an earlier entry must not survive the load.
    fillFields(form, {"old/url", "old", "9", "olduser", "oldpw", true});
    clickRow(form, form.userLookupsTab()->presetList(), row);
    const Fields expected{url, keyword, skip, user, password, !user.isEmpty()};
    QVERIFY2(same(shownTexts(form), expected), qPrintable(describe(shownTexts(form))));
    QCOMPARE(form.userLookupsTab()->entryNameLabel()->text(), name);
    QCOMPARE(form.selectionCode(), 100 + row);
    QVERIFY(!form.userLookupsTab()->applyButton()->isEnabled());
    QVERIFY(!form.userLookupsTab()->removeButton()->isEnabled());
    QVERIFY(form.userLookupsTab()->userLookupList()->selectedItems().isEmpty());

    // Editing a preset never offers Apply; Add keeps it as a user-defined entry.
    QTest::keyClicks(form.pageInspectorTab()->keywordEdit(), "X");
    QVERIFY(!form.userLookupsTab()->applyButton()->isEnabled());
    QVERIFY(form.userLookupsTab()->entryNameLabel()->text().isEmpty());
    addAs(fixture, QStringLiteral("Mine"));
    QCOMPARE(listNames(form), QStringList{"Mine"});
    QCOMPARE(form.selectionCode(), 0);
    QVERIFY(form.userLookupsTab()->presetList()->selectedItems().isEmpty());
    clickRow(form, form.userLookupsTab()->userLookupList(), 0);
    QCOMPARE(form.pageInspectorTab()->keywordEdit()->text(), keyword + "X");
    QCOMPARE(form.userLookupsTab()->pagePasswordEdit()->text(), password);
}

void UserLookupsWindowTest::addRefusesIncompleteFields_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("keyword");
    QTest::addColumn<bool>("auth");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("message");
    QTest::newRow("no url, no keyword") << "" << "" << true << "" << "" << "The URL is missing!";
    QTest::newRow("no keyword") << "r/s" << "" << true << "" << "" << "You need to selecte a Keyword!";
    QTest::newRow("password before user") << "r/s" << "k" << true << "" << "" << "Password required.";
    QTest::newRow("no user") << "r/s" << "k" << true << "" << "pw" << "Username required.";
    QTest::newRow("credentials unchecked") << "r/s" << "k" << false << "" << "" << "";
}

void UserLookupsWindowTest::addRefusesIncompleteFields()
{
    QFETCH(QString, url);
    QFETCH(QString, keyword);
    QFETCH(bool, auth);
    QFETCH(QString, user);
    QFETCH(QString, password);
    QFETCH(QString, message);
    WindowFixture fixture;
    MainWindow& form = fixture.start();
    // An empty skip count is taken as typed; Add is enabled by hand since the field rule would grey it.
    fillFields(form, {url, keyword, "", user, password, auth});
    form.userLookupsTab()->addButton()->setEnabled(true);
    QTest::mouseClick(form.userLookupsTab()->addButton(), Qt::LeftButton);
    if (!message.isEmpty()) {
        QCOMPARE(fixture.dialogs.messages(), QStringList{message});
        QVERIFY(fixture.dialogs.texts(ScriptedDialogs::Kind::Input).isEmpty());
        QCOMPARE(form.userLookupsTab()->userLookupList()->count(), 0);
        return;
    }
    // Complete fields ask for the name; an empty answer (Cancel) adds nothing and says nothing.
    QCOMPARE(fixture.dialogs.texts(ScriptedDialogs::Kind::Input), QStringList{"User-defined Kestrune|Name"});
    QVERIFY(fixture.dialogs.messages().isEmpty());
    QCOMPARE(form.userLookupsTab()->userLookupList()->count(), 0);
    QCOMPARE(form.externalServiceTab()->userRecordsList()->count(), 0);
}

void UserLookupsWindowTest::duplicateNamesAskAndStayPairedAfterRestart()
{
    WindowFixture fixture;
    {
        MainWindow& form = fixture.start();
        form.move(40, 60);
        fillFields(form, {"one/a", "k1", "1"});
        addAs(fixture, QStringLiteral("Home"));
        fillFields(form, {"two/b", "k2", "2"});
        fixture.dialogs.confirmAnswers.enqueue(false);
        addAs(fixture, QStringLiteral("Home"));
        QCOMPARE(listNames(form), QStringList{"Home"});
        QCOMPARE(fixture.dialogs.beeps, 1);
        const ScriptedDialogs::ShownDialog question = fixture.dialogs.shown.last();
        QCOMPARE(question.text, QStringLiteral("Name already exists. Continue?"));
        QCOMPARE(question.position, form.pos() + QPoint(150, 150));

        fixture.dialogs.confirmAnswers.enqueue(true);
        addAs(fixture, QStringLiteral("Home"));
        // Case counts as different: no question. Two equal names ask twice.
        fillFields(form, {"three/c", "k3", "3"});
        addAs(fixture, QStringLiteral("home"));
        fillFields(form, {"four/d", "k4", "4"});
        fixture.dialogs.confirmAnswers.enqueue(true);
        fixture.dialogs.confirmAnswers.enqueue(true);
        addAs(fixture, QStringLiteral("Home"));
        QCOMPARE(listNames(form), (QStringList{"Home", "Home", "home", "Home"}));
        QCOMPARE(fixture.dialogs.texts(ScriptedDialogs::Kind::Confirm).size(), 4);
        QCOMPARE(fixture.dialogs.beeps, 4);
        QCOMPARE(form.userLookupsTab()->userLookupList()->currentRow(), 3);
        QCOMPARE(form.selectionCode(), 3);
        QVERIFY(fixture.close());
    }
    MainWindow& form = fixture.start();
    QCOMPARE(listNames(form), (QStringList{"Home", "Home", "home", "Home"}));
    // The selection came back and loaded the last entry.
    QCOMPARE(form.userLookupsTab()->userLookupList()->currentRow(), 3);
    QCOMPARE(form.userLookupsTab()->urlEdit()->text(), QStringLiteral("four/d"));
    expectRowsLoad(form, {"one/a", "two/b", "three/c", "four/d"});
}

void UserLookupsWindowTest::storedRecordsSequenceAndSubstitute()
{
    WindowFixture fixture;
    MainWindow& form = fixture.start();
    fillFields(form, kNetgear);
    addAs(fixture, QStringLiteral("Netgear copy"));
    addAs(fixture, QStringLiteral("Netgear again"));
    const std::string fields = "192.168.0.1/setup.cgi?next_file\xA7s_status.htm,P Address </b>,25,admin," +
                               std::string("\x93\x9E\x91\x8B\x9A\x8D\x91\x8C");  // "lanterns" complemented
    QCOMPARE(listRecords(form), (std::vector<std::string>{"1," + fields, "2," + fields}));
    QVERIFY(listRows::isChecked(form.externalServiceTab()->userRecordsList(), 1));

    clickRow(form, form.userLookupsTab()->userLookupList(), 0);
    QVERIFY2(same(shownTexts(form), kNetgear), qPrintable(describe(shownTexts(form))));
    // Apply on the second entry numbers it after the count of entries.
    clickRow(form, form.userLookupsTab()->userLookupList(), 1);
    QTest::keyClick(form.userLookupsTab()->pagePasswordEdit(), Qt::Key_Backspace);
    QVERIFY(form.userLookupsTab()->applyButton()->isEnabled());
    QTest::mouseClick(form.userLookupsTab()->applyButton(), Qt::LeftButton);
    QVERIFY(!form.userLookupsTab()->applyButton()->isEnabled());
    QCOMPARE(listRecords(form)[1], "3," + fields.substr(0, fields.size() - 1));
    QCOMPARE(listNames(form), (QStringList{"Netgear copy", "Netgear again"}));

    // Stored records reach the settings file as they are, under their names.
    QVERIFY(fixture.close());
    const std::string text = fixture.settingsText();
    QVERIFY(text.find("[Routers]\r\nNetgear copy=1\r\nNetgear again=1\r\n") != std::string::npos);
    QVERIFY(text.find("[RoutersData]\r\n1," + fields + "=1\r\n") != std::string::npos);
}

void UserLookupsWindowTest::applyChangesOnlyTheSelectedEntry()
{
    WindowFixture fixture;
    MainWindow& form = fixture.start();
    fillFields(form, {"a/1", "ka", "1"});
    addAs(fixture, QStringLiteral("A"));
    fillFields(form, {"b/2", "kb", "2", "u", "p", true});
    addAs(fixture, QStringLiteral("B"));
    const std::vector<std::string> before = listRecords(form);

    // Loading an entry is no edit of it (showing the tab withdrew Apply first).
    form.tabs()->setCurrentWidget(form.pageInspectorTab());
    clickRow(form, form.userLookupsTab()->userLookupList(), 0);
    QVERIFY(!form.userLookupsTab()->applyButton()->isEnabled());
    // Apply refuses incomplete fields with the Add messages and stores nothing.
    form.pageInspectorTab()->keywordEdit()->clear();
    QVERIFY(form.userLookupsTab()->applyButton()->isEnabled());
    QTest::mouseClick(form.userLookupsTab()->applyButton(), Qt::LeftButton);
    QCOMPARE(fixture.dialogs.messages(), QStringList{"You need to selecte a Keyword!"});
    QCOMPARE(listRecords(form), before);
    // Credentials switched on for the first entry go with it.
    fillFields(form, {"a/1", "ka2", "5", "user", "pass", true});
    QTest::mouseClick(form.userLookupsTab()->applyButton(), Qt::LeftButton);
    QCOMPARE(listRecords(form)[1], before[1]);
    QVERIFY(listRows::isChecked(form.externalServiceTab()->userRecordsList(), 0));
    clickRow(form, form.userLookupsTab()->userLookupList(), 1);
    clickRow(form, form.userLookupsTab()->userLookupList(), 0);
    QVERIFY(same(shownTexts(form), {"a/1", "ka2", "5", "user", "pass", true}));

    // With nothing selected (after New) the edit becomes a new entry once named; no name, no change.
    QTest::mouseClick(form.userLookupsTab()->newButton(), Qt::LeftButton);
    fillFields(form, {"c/3", "kc", "3"});
    QVERIFY(form.userLookupsTab()->applyButton()->isEnabled());
    const std::vector<std::string> applied = listRecords(form);
    QTest::mouseClick(form.userLookupsTab()->applyButton(), Qt::LeftButton);
    QCOMPARE(listRecords(form), applied);
    QCOMPARE(listNames(form), (QStringList{"A", "B"}));
    fixture.dialogs.inputAnswers.enqueue(QStringLiteral("C"));
    QTest::mouseClick(form.userLookupsTab()->applyButton(), Qt::LeftButton);
    QCOMPARE(listNames(form), (QStringList{"A", "B", "C"}));
    QCOMPARE(listRecords(form)[0], applied[0]);
    QCOMPARE(listRecords(form)[1], applied[1]);
    QCOMPARE(listRecords(form)[2], std::string("3,c/3,kc,3"));
    QVERIFY(!form.userLookupsTab()->applyButton()->isEnabled());
}

void UserLookupsWindowTest::removeTakesNameAndRecordTogether()
{
    WindowFixture fixture;
    MainWindow& form = fixture.start();
    addNamed(fixture, {"A", "B", "C"});
    clickRow(form, form.userLookupsTab()->userLookupList(), 1);
    QVERIFY(form.userLookupsTab()->removeButton()->isEnabled());
    form.pageInspectorTab()->addressEdit()->setText(QStringLiteral("1.2.3.4"));
    QTest::mouseClick(form.userLookupsTab()->removeButton(), Qt::LeftButton);
    QCOMPARE(listNames(form), (QStringList{"A", "C"}));
    QCOMPARE(listRecords(form), (std::vector<std::string>{"1,A/x,k,1", "3,C/x,k,1"}));
    // Then the fields are those of New.
    QVERIFY(same(shownTexts(form), {"", "<html>", "0", "", "", false}));
    QVERIFY(form.pageInspectorTab()->addressEdit()->text().isEmpty());
    QVERIFY(form.userLookupsTab()->entryNameLabel()->text().isEmpty());
    QCOMPARE(form.selectionCode(), -1);
    QVERIFY(form.userLookupsTab()->userLookupList()->selectedItems().isEmpty());
    // Nothing selected: Remove removes nothing.
    form.userLookupsTab()->removeButton()->setEnabled(true);
    QTest::mouseClick(form.userLookupsTab()->removeButton(), Qt::LeftButton);
    QCOMPARE(form.userLookupsTab()->userLookupList()->count(), 2);
    // The next entry's sequence number counts the rows, not the history, so the same fields as C's give
    // the very same stored record; both must still come back after a restart.
    fillFields(form, {"C/x", "k", "1"});
    addAs(fixture, QStringLiteral("D"));
    QCOMPARE(listRecords(form), (std::vector<std::string>{"1,A/x,k,1", "3,C/x,k,1", "3,C/x,k,1"}));
    QVERIFY(fixture.close());

    MainWindow& again = fixture.start();
    QCOMPARE(listNames(again), (QStringList{"A", "C", "D"}));
    QCOMPARE(again.selectionCode(), 2);
    expectRowsLoad(again, {"A/x", "C/x", "C/x"});
}

void UserLookupsWindowTest::oddNamesAndFieldsSurviveRestart()
{
    const QString cedilla = QString::fromUtf8("Gar\xC3\xA7on");
    const QList<QPair<QString, Fields>> entries{
        {"a=b", {"10.0.0.1/x?a=b", "k=v", "1"}},
        {"  padded  ", {"10.0.0.2/y", "  kw  ", "2"}},
        {cedilla, {"10.0.0.3/" + cedilla, cedilla + ":", "3", cedilla, cedilla, true}},
        {"X-password", {"10.0.0.4/z", "IP", "4", "admin", "XXX=,X x", true}},
        {"Home", {"h/1", "k,with,commas", "5"}},
        {"HOME", {"h/2", "k", "-6", "u", "p", true}},
        {"~1", {"t/1", "[k]", "7"}},
        {"[section]", {"s/1", "\"quoted\"", "8"}},
        {"=", {"e/1", "'", "0x10"}},
    };
    WindowFixture fixture;
    {
        MainWindow& form = fixture.start();
        for (const auto& [name, fields] : entries) {
            fillFields(form, fields);
            addAs(fixture, name);
        }
        QCOMPARE(form.userLookupsTab()->userLookupList()->count(), entries.size());
        clickRow(form, form.userLookupsTab()->userLookupList(), 3);
        QVERIFY(fixture.close());
    }
    for (int restart = 0; restart < 2; ++restart) {
        MainWindow& form = fixture.start();
        QCOMPARE(form.userLookupsTab()->userLookupList()->count(), entries.size());
        QCOMPARE(form.selectionCode(), 3);
        QCOMPARE(form.userLookupsTab()->pagePasswordEdit()->text(), QStringLiteral("XXX=,X x"));
        for (int row = 0; row < entries.size(); ++row) {
            QCOMPARE(form.userLookupsTab()->userLookupList()->item(row)->text(), entries[row].first);
            clickRow(form, form.userLookupsTab()->userLookupList(), row);
            QVERIFY2(same(shownTexts(form), entries[row].second), qPrintable(describe(shownTexts(form))));
        }
        clickRow(form, form.userLookupsTab()->userLookupList(), 3);
        QVERIFY(fixture.close());
    }
}

void UserLookupsWindowTest::urlPrefixAndApplyEnabling()
{
    WindowFixture fixture;
    MainWindow& form = fixture.start();
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.userLookupsTab()->urlEdit()->setText(QStringLiteral("http://192.168.1.1/Status.htm"));
    QCOMPARE(form.userLookupsTab()->urlEdit()->text(), QStringLiteral("192.168.1.1/Status.htm"));
    form.userLookupsTab()->urlEdit()->setText(QStringLiteral("https://192.168.1.1/"));
    QCOMPARE(form.userLookupsTab()->urlEdit()->text(), QStringLiteral("https://192.168.1.1/"));
    form.userLookupsTab()->urlEdit()->setText(QStringLiteral("HTTP://x/"));
    QCOMPARE(form.userLookupsTab()->urlEdit()->text(), QStringLiteral("HTTP://x/"));
    form.userLookupsTab()->urlEdit()->clear();
    QTest::keyClicks(form.userLookupsTab()->urlEdit(), "http://r/s");
    QCOMPARE(form.userLookupsTab()->urlEdit()->text(), QStringLiteral("r/s"));

    // Get IP needs the address and the skip count.
    form.pageInspectorTab()->skipEdit()->clear();
    QVERIFY(!form.userLookupsTab()->getAddressButton()->isEnabled());
    QVERIFY(!form.userLookupsTab()->addButton()->isEnabled());
    form.pageInspectorTab()->skipEdit()->setText(QStringLiteral("0"));
    QVERIFY(form.userLookupsTab()->getAddressButton()->isEnabled());
    QVERIFY(form.userLookupsTab()->addButton()->isEnabled());

    // Nothing selected: edits offer Apply; showing the tab withdraws it.
    QVERIFY(form.userLookupsTab()->applyButton()->isEnabled());
    form.tabs()->setCurrentWidget(form.pageInspectorTab());
    form.tabs()->setCurrentWidget(form.userLookupsTab());
    QVERIFY(!form.userLookupsTab()->applyButton()->isEnabled());
    form.userLookupsTab()->pageAuthCheck()->click();
    QVERIFY(form.userLookupsTab()->applyButton()->isEnabled());
    form.userLookupsTab()->pageAuthCheck()->click();

    addAs(fixture, QStringLiteral("R"));
    form.tabs()->setCurrentWidget(form.pageInspectorTab());
    form.tabs()->setCurrentWidget(form.userLookupsTab());
    clickRow(form, form.userLookupsTab()->userLookupList(), 0);
    QCOMPARE(form.userLookupsTab()->entryNameLabel()->text(), QStringLiteral("R"));
    QVERIFY(!form.userLookupsTab()->applyButton()->isEnabled());
    QTest::keyClicks(form.userLookupsTab()->pageUsernameEdit(), "u");
    QVERIFY(form.userLookupsTab()->applyButton()->isEnabled());
    QVERIFY(form.userLookupsTab()->entryNameLabel()->text().isEmpty());
    // Choosing a preset withdraws Apply.
    clickRow(form, form.userLookupsTab()->presetList(), 1);
    QVERIFY(!form.userLookupsTab()->applyButton()->isEnabled());
}

void UserLookupsWindowTest::arrowKeysLoadTheEntryThatApplyChanges()
{
    WindowFixture fixture;
    MainWindow& form = fixture.start();
    addNamed(fixture, {"A", "B"});
    clickRow(form, form.userLookupsTab()->userLookupList(), 0);
    form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    form.userLookupsTab()->userLookupList()->setFocus();
    QTest::keyClick(form.userLookupsTab()->userLookupList(), Qt::Key_Down);
    QCOMPARE(form.userLookupsTab()->userLookupList()->currentRow(), 1);
    QCOMPARE(form.userLookupsTab()->urlEdit()->text(), QStringLiteral("B/x"));
    QCOMPARE(form.userLookupsTab()->entryNameLabel()->text(), QStringLiteral("B"));
    QCOMPARE(form.selectionCode(), 1);
    form.pageInspectorTab()->keywordEdit()->setText(QStringLiteral("changed"));
    QTest::mouseClick(form.userLookupsTab()->applyButton(), Qt::LeftButton);
    QCOMPARE(listRecords(form), (std::vector<std::string>{"1,A/x,k,1", "3,B/x,changed,1"}));

    // Moving the focus into a list loads nothing.
    form.userLookupsTab()->presetList()->setFocus();
    QCOMPARE(form.userLookupsTab()->urlEdit()->text(), QStringLiteral("B/x"));
    QTest::keyClick(form.userLookupsTab()->presetList(), Qt::Key_Down);
    QCOMPARE(form.userLookupsTab()->urlEdit()->text(), QStringLiteral("192.168.8.1/home/hstatus.sht"));
    QCOMPARE(form.selectionCode(), 101);
    QVERIFY(form.userLookupsTab()->userLookupList()->selectedItems().isEmpty());
}

QTEST_MAIN(UserLookupsWindowTest)
#include "UserLookupsWindowTest.moc"
