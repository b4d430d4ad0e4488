#include "FormFixture.h"
#include "ListRows.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QtTest>

namespace {

struct TFields {
    QString url = {}, keyword = {}, skip = {}, user = {}, password = {};
    bool auth = false;
};

void Fill(TForm1& form, const TFields& f)
{
    form.edURL->setText(f.url);
    form.edKeyword->setText(f.keyword);
    form.edChartoSkip->setText(f.skip);
    form.cbWebAuth->setChecked(f.auth);
    form.edWebUsername->setText(f.user);
    form.edWebPassword->setText(f.password);
}

TFields Shown(const TForm1& form)
{
    return {form.edURL->text(),      form.edKeyword->text(),     form.edChartoSkip->text(),
            form.edWebUsername->text(), form.edWebPassword->text(), form.cbWebAuth->isChecked()};
}

bool Same(const TFields& a, const TFields& b)
{
    return a.url == b.url && a.keyword == b.keyword && a.skip == b.skip && a.user == b.user &&
           a.password == b.password && a.auth == b.auth;
}

QString Describe(const TFields& f)
{
    return QStringLiteral("[%1|%2|%3|%4|%5|%6]").arg(f.url, f.keyword, f.skip, f.user, f.password).arg(f.auth);
}

// Clicks a row the way the user does, with the list's tab shown.
void ClickRow(TForm1& form, QListWidget* list, int row)
{
    form.PageControl9->setCurrentWidget(form.TsUser);
    if (!form.isVisible()) {
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
    }
    const QRect rect = list->visualItemRect(list->item(row));
    QVERIFY(!rect.isEmpty());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
}

// Add through the button, answering the name question.
void AddAs(TFormFixture& fixture, const QString& name)
{
    fixture.Dialogs.InputAnswers.enqueue(name);
    QVERIFY(fixture.Form->btnAdd->isEnabled());
    QTest::mouseClick(fixture.Form->btnAdd, Qt::LeftButton);
}

QStringList Names(const TForm1& form)
{
    QStringList names;
    for (int row = 0; row < form.ListBox5->count(); ++row)
        names << form.ListBox5->item(row)->text();
    return names;
}

std::vector<std::string> Records(const TForm1& form)
{
    std::vector<std::string> records;
    for (int row = 0; row < form.CheckListBox5->count(); ++row)
        records.push_back(ListRows::RecordAt(form.CheckListBox5, row));
    return records;
}

// Entries named A, B... whose address is "<name>/x".
void AddNamed(TFormFixture& fixture, std::initializer_list<const char*> names)
{
    for (const char* name : names) {
        Fill(*fixture.Form, {QStringLiteral("%1/x").arg(QLatin1String(name)), "k", "1"});
        AddAs(fixture, QString::fromLatin1(name));
    }
}

// Clicking each row loads its address and shows its name.
void ExpectRowsLoad(TForm1& form, const QStringList& urls)
{
    for (int row = 0; row < urls.size(); ++row) {
        ClickRow(form, form.ListBox5, row);
        QCOMPARE(form.edURL->text(), urls[row]);
        QCOMPARE(form.Panel56->text(), Names(form)[row]);
    }
}

const TFields kNetgear{"192.168.0.1/setup.cgi?next_file=s_status.htm", "P Address </b>", "25", "admin", "lanterns",
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
    TFormFixture fixture;
    TForm1& form = fixture.Start();
    QCOMPARE(form.ListBox6->item(row)->text(), name);
    // Leftovers of an earlier entry must not survive the load.
    Fill(form, {"old/url", "old", "9", "olduser", "oldpw", true});
    ClickRow(form, form.ListBox6, row);
    const TFields expected{url, keyword, skip, user, password, !user.isEmpty()};
    QVERIFY2(Same(Shown(form), expected), qPrintable(Describe(Shown(form))));
    QCOMPARE(form.Panel56->text(), name);
    QCOMPARE(form.SelectedRouter, 100 + row);
    QVERIFY(!form.btnWebEdit->isEnabled());
    QVERIFY(!form.btnRemove->isEnabled());
    QVERIFY(form.ListBox5->selectedItems().isEmpty());

    // Editing a preset never offers Apply; Add keeps it as a user-defined entry.
    QTest::keyClicks(form.edKeyword, "X");
    QVERIFY(!form.btnWebEdit->isEnabled());
    QVERIFY(form.Panel56->text().isEmpty());
    AddAs(fixture, QStringLiteral("Mine"));
    QCOMPARE(Names(form), QStringList{"Mine"});
    QCOMPARE(form.SelectedRouter, 0);
    QVERIFY(form.ListBox6->selectedItems().isEmpty());
    ClickRow(form, form.ListBox5, 0);
    QCOMPARE(form.edKeyword->text(), keyword + "X");
    QCOMPARE(form.edWebPassword->text(), password);
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
    TFormFixture fixture;
    TForm1& form = fixture.Start();
    // An empty skip count is taken as typed; Add is enabled by hand since the field rule would grey it.
    Fill(form, {url, keyword, "", user, password, auth});
    form.btnAdd->setEnabled(true);
    QTest::mouseClick(form.btnAdd, Qt::LeftButton);
    if (!message.isEmpty()) {
        QCOMPARE(fixture.Dialogs.Messages(), QStringList{message});
        QVERIFY(fixture.Dialogs.Texts(TScriptedDialogs::EKind::Input).isEmpty());
        QCOMPARE(form.ListBox5->count(), 0);
        return;
    }
    // Complete fields ask for the name; an empty answer (Cancel) adds nothing and says nothing.
    QCOMPARE(fixture.Dialogs.Texts(TScriptedDialogs::EKind::Input), QStringList{"User-defined Kestrune|Name"});
    QVERIFY(fixture.Dialogs.Messages().isEmpty());
    QCOMPARE(form.ListBox5->count(), 0);
    QCOMPARE(form.CheckListBox5->count(), 0);
}

void UserLookupsWindowTest::duplicateNamesAskAndStayPairedAfterRestart()
{
    TFormFixture fixture;
    {
        TForm1& form = fixture.Start();
        form.move(40, 60);
        Fill(form, {"one/a", "k1", "1"});
        AddAs(fixture, QStringLiteral("Home"));
        Fill(form, {"two/b", "k2", "2"});
        fixture.Dialogs.ConfirmAnswers.enqueue(false);
        AddAs(fixture, QStringLiteral("Home"));
        QCOMPARE(Names(form), QStringList{"Home"});
        QCOMPARE(fixture.Dialogs.Beeps, 1);
        const TScriptedDialogs::TShown question = fixture.Dialogs.Shown.last();
        QCOMPARE(question.Text, QStringLiteral("Name already exists. Continue?"));
        QCOMPARE(question.Position, form.pos() + QPoint(150, 150));

        fixture.Dialogs.ConfirmAnswers.enqueue(true);
        AddAs(fixture, QStringLiteral("Home"));
        // Case counts as different: no question. Two equal names ask twice.
        Fill(form, {"three/c", "k3", "3"});
        AddAs(fixture, QStringLiteral("home"));
        Fill(form, {"four/d", "k4", "4"});
        fixture.Dialogs.ConfirmAnswers.enqueue(true);
        fixture.Dialogs.ConfirmAnswers.enqueue(true);
        AddAs(fixture, QStringLiteral("Home"));
        QCOMPARE(Names(form), (QStringList{"Home", "Home", "home", "Home"}));
        QCOMPARE(fixture.Dialogs.Texts(TScriptedDialogs::EKind::Confirm).size(), 4);
        QCOMPARE(fixture.Dialogs.Beeps, 4);
        QCOMPARE(form.ListBox5->currentRow(), 3);
        QCOMPARE(form.SelectedRouter, 3);
        QVERIFY(fixture.Close());
    }
    TForm1& form = fixture.Start();
    QCOMPARE(Names(form), (QStringList{"Home", "Home", "home", "Home"}));
    // The selection came back and loaded the last entry.
    QCOMPARE(form.ListBox5->currentRow(), 3);
    QCOMPARE(form.edURL->text(), QStringLiteral("four/d"));
    ExpectRowsLoad(form, {"one/a", "two/b", "three/c", "four/d"});
}

void UserLookupsWindowTest::storedRecordsSequenceAndSubstitute()
{
    TFormFixture fixture;
    TForm1& form = fixture.Start();
    Fill(form, kNetgear);
    AddAs(fixture, QStringLiteral("Netgear copy"));
    AddAs(fixture, QStringLiteral("Netgear again"));
    const std::string fields = "192.168.0.1/setup.cgi?next_file\xA7s_status.htm,P Address </b>,25,admin," +
                               std::string("\x93\x9E\x91\x8B\x9A\x8D\x91\x8C");  // "lanterns" complemented
    QCOMPARE(Records(form), (std::vector<std::string>{"1," + fields, "2," + fields}));
    QVERIFY(ListRows::IsChecked(form.CheckListBox5, 1));

    ClickRow(form, form.ListBox5, 0);
    QVERIFY2(Same(Shown(form), kNetgear), qPrintable(Describe(Shown(form))));
    // Apply on the second entry numbers it after the count of entries.
    ClickRow(form, form.ListBox5, 1);
    QTest::keyClick(form.edWebPassword, Qt::Key_Backspace);
    QVERIFY(form.btnWebEdit->isEnabled());
    QTest::mouseClick(form.btnWebEdit, Qt::LeftButton);
    QVERIFY(!form.btnWebEdit->isEnabled());
    QCOMPARE(Records(form)[1], "3," + fields.substr(0, fields.size() - 1));
    QCOMPARE(Names(form), (QStringList{"Netgear copy", "Netgear again"}));

    // Stored records reach the settings file as they are, under their names.
    QVERIFY(fixture.Close());
    const std::string text = fixture.SettingsText();
    QVERIFY(text.find("[Routers]\r\nNetgear copy=1\r\nNetgear again=1\r\n") != std::string::npos);
    QVERIFY(text.find("[RoutersData]\r\n1," + fields + "=1\r\n") != std::string::npos);
}

void UserLookupsWindowTest::applyChangesOnlyTheSelectedEntry()
{
    TFormFixture fixture;
    TForm1& form = fixture.Start();
    Fill(form, {"a/1", "ka", "1"});
    AddAs(fixture, QStringLiteral("A"));
    Fill(form, {"b/2", "kb", "2", "u", "p", true});
    AddAs(fixture, QStringLiteral("B"));
    const std::vector<std::string> before = Records(form);

    // Loading an entry is no edit of it (showing the tab withdrew Apply first).
    form.PageControl9->setCurrentWidget(form.TsTest);
    ClickRow(form, form.ListBox5, 0);
    QVERIFY(!form.btnWebEdit->isEnabled());
    // Apply refuses incomplete fields with the Add messages and stores nothing.
    form.edKeyword->clear();
    QVERIFY(form.btnWebEdit->isEnabled());
    QTest::mouseClick(form.btnWebEdit, Qt::LeftButton);
    QCOMPARE(fixture.Dialogs.Messages(), QStringList{"You need to selecte a Keyword!"});
    QCOMPARE(Records(form), before);
    // Credentials switched on for the first entry go with it.
    Fill(form, {"a/1", "ka2", "5", "user", "pass", true});
    QTest::mouseClick(form.btnWebEdit, Qt::LeftButton);
    QCOMPARE(Records(form)[1], before[1]);
    QVERIFY(ListRows::IsChecked(form.CheckListBox5, 0));
    ClickRow(form, form.ListBox5, 1);
    ClickRow(form, form.ListBox5, 0);
    QVERIFY(Same(Shown(form), {"a/1", "ka2", "5", "user", "pass", true}));

    // With nothing selected (after New) the edit becomes a new entry once named; no name, no change.
    QTest::mouseClick(form.btnNew, Qt::LeftButton);
    Fill(form, {"c/3", "kc", "3"});
    QVERIFY(form.btnWebEdit->isEnabled());
    const std::vector<std::string> applied = Records(form);
    QTest::mouseClick(form.btnWebEdit, Qt::LeftButton);
    QCOMPARE(Records(form), applied);
    QCOMPARE(Names(form), (QStringList{"A", "B"}));
    fixture.Dialogs.InputAnswers.enqueue(QStringLiteral("C"));
    QTest::mouseClick(form.btnWebEdit, Qt::LeftButton);
    QCOMPARE(Names(form), (QStringList{"A", "B", "C"}));
    QCOMPARE(Records(form)[0], applied[0]);
    QCOMPARE(Records(form)[1], applied[1]);
    QCOMPARE(Records(form)[2], std::string("3,c/3,kc,3"));
    QVERIFY(!form.btnWebEdit->isEnabled());
}

void UserLookupsWindowTest::removeTakesNameAndRecordTogether()
{
    TFormFixture fixture;
    TForm1& form = fixture.Start();
    AddNamed(fixture, {"A", "B", "C"});
    ClickRow(form, form.ListBox5, 1);
    QVERIFY(form.btnRemove->isEnabled());
    form.edIPAddress->setText(QStringLiteral("1.2.3.4"));
    QTest::mouseClick(form.btnRemove, Qt::LeftButton);
    QCOMPARE(Names(form), (QStringList{"A", "C"}));
    QCOMPARE(Records(form), (std::vector<std::string>{"1,A/x,k,1", "3,C/x,k,1"}));
    // Then the fields are those of New.
    QVERIFY(Same(Shown(form), {"", "<html>", "0", "", "", false}));
    QVERIFY(form.edIPAddress->text().isEmpty());
    QVERIFY(form.Panel56->text().isEmpty());
    QCOMPARE(form.SelectedRouter, -1);
    QVERIFY(form.ListBox5->selectedItems().isEmpty());
    // Nothing selected: Remove removes nothing.
    form.btnRemove->setEnabled(true);
    QTest::mouseClick(form.btnRemove, Qt::LeftButton);
    QCOMPARE(form.ListBox5->count(), 2);
    // The next entry's sequence number counts the rows, not the history, so the same fields as C's give
    // the very same stored record; both must still come back after a restart.
    Fill(form, {"C/x", "k", "1"});
    AddAs(fixture, QStringLiteral("D"));
    QCOMPARE(Records(form), (std::vector<std::string>{"1,A/x,k,1", "3,C/x,k,1", "3,C/x,k,1"}));
    QVERIFY(fixture.Close());

    TForm1& again = fixture.Start();
    QCOMPARE(Names(again), (QStringList{"A", "C", "D"}));
    QCOMPARE(again.SelectedRouter, 2);
    ExpectRowsLoad(again, {"A/x", "C/x", "C/x"});
}

void UserLookupsWindowTest::oddNamesAndFieldsSurviveRestart()
{
    const QString cedilla = QString::fromUtf8("Gar\xC3\xA7on");
    const QList<QPair<QString, TFields>> entries{
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
    TFormFixture fixture;
    {
        TForm1& form = fixture.Start();
        for (const auto& [name, fields] : entries) {
            Fill(form, fields);
            AddAs(fixture, name);
        }
        QCOMPARE(form.ListBox5->count(), entries.size());
        ClickRow(form, form.ListBox5, 3);
        QVERIFY(fixture.Close());
    }
    for (int restart = 0; restart < 2; ++restart) {
        TForm1& form = fixture.Start();
        QCOMPARE(form.ListBox5->count(), entries.size());
        QCOMPARE(form.SelectedRouter, 3);
        QCOMPARE(form.edWebPassword->text(), QStringLiteral("XXX=,X x"));
        for (int row = 0; row < entries.size(); ++row) {
            QCOMPARE(form.ListBox5->item(row)->text(), entries[row].first);
            ClickRow(form, form.ListBox5, row);
            QVERIFY2(Same(Shown(form), entries[row].second), qPrintable(Describe(Shown(form))));
        }
        ClickRow(form, form.ListBox5, 3);
        QVERIFY(fixture.Close());
    }
}

void UserLookupsWindowTest::urlPrefixAndApplyEnabling()
{
    TFormFixture fixture;
    TForm1& form = fixture.Start();
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.edURL->setText(QStringLiteral("http://192.168.1.1/Status.htm"));
    QCOMPARE(form.edURL->text(), QStringLiteral("192.168.1.1/Status.htm"));
    form.edURL->setText(QStringLiteral("https://192.168.1.1/"));
    QCOMPARE(form.edURL->text(), QStringLiteral("https://192.168.1.1/"));
    form.edURL->setText(QStringLiteral("HTTP://x/"));
    QCOMPARE(form.edURL->text(), QStringLiteral("HTTP://x/"));
    form.edURL->clear();
    QTest::keyClicks(form.edURL, "http://r/s");
    QCOMPARE(form.edURL->text(), QStringLiteral("r/s"));

    // Get IP needs the address and the skip count.
    form.edChartoSkip->clear();
    QVERIFY(!form.btnGetIP->isEnabled());
    QVERIFY(!form.btnAdd->isEnabled());
    form.edChartoSkip->setText(QStringLiteral("0"));
    QVERIFY(form.btnGetIP->isEnabled());
    QVERIFY(form.btnAdd->isEnabled());

    // Nothing selected: edits offer Apply; showing the tab withdraws it.
    QVERIFY(form.btnWebEdit->isEnabled());
    form.PageControl9->setCurrentWidget(form.TsTest);
    form.PageControl9->setCurrentWidget(form.TsUser);
    QVERIFY(!form.btnWebEdit->isEnabled());
    form.cbWebAuth->click();
    QVERIFY(form.btnWebEdit->isEnabled());
    form.cbWebAuth->click();

    AddAs(fixture, QStringLiteral("R"));
    form.PageControl9->setCurrentWidget(form.TsTest);
    form.PageControl9->setCurrentWidget(form.TsUser);
    ClickRow(form, form.ListBox5, 0);
    QCOMPARE(form.Panel56->text(), QStringLiteral("R"));
    QVERIFY(!form.btnWebEdit->isEnabled());
    QTest::keyClicks(form.edWebUsername, "u");
    QVERIFY(form.btnWebEdit->isEnabled());
    QVERIFY(form.Panel56->text().isEmpty());
    // Choosing a preset withdraws Apply.
    ClickRow(form, form.ListBox6, 1);
    QVERIFY(!form.btnWebEdit->isEnabled());
}

void UserLookupsWindowTest::arrowKeysLoadTheEntryThatApplyChanges()
{
    TFormFixture fixture;
    TForm1& form = fixture.Start();
    AddNamed(fixture, {"A", "B"});
    ClickRow(form, form.ListBox5, 0);
    form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    form.ListBox5->setFocus();
    QTest::keyClick(form.ListBox5, Qt::Key_Down);
    QCOMPARE(form.ListBox5->currentRow(), 1);
    QCOMPARE(form.edURL->text(), QStringLiteral("B/x"));
    QCOMPARE(form.Panel56->text(), QStringLiteral("B"));
    QCOMPARE(form.SelectedRouter, 1);
    form.edKeyword->setText(QStringLiteral("changed"));
    QTest::mouseClick(form.btnWebEdit, Qt::LeftButton);
    QCOMPARE(Records(form), (std::vector<std::string>{"1,A/x,k,1", "3,B/x,changed,1"}));

    // Moving the focus into a list loads nothing.
    form.ListBox6->setFocus();
    QCOMPARE(form.edURL->text(), QStringLiteral("B/x"));
    QTest::keyClick(form.ListBox6, Qt::Key_Down);
    QCOMPARE(form.edURL->text(), QStringLiteral("192.168.8.1/home/hstatus.sht"));
    QCOMPARE(form.SelectedRouter, 101);
    QVERIFY(form.ListBox5->selectedItems().isEmpty());
}

QTEST_MAIN(UserLookupsWindowTest)
#include "UserLookupsWindowTest.moc"
