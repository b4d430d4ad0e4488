// The Notices tab: entries through their dialog, refused templates with the reason, the test button.
#include "NoticeDialog.h"
#include "NoticeServer.h"
#include "NoticesTab.h"
#include "WindowFixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QtTest>

using namespace kestrune::app;

class NoticesWindowTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }
    void entriesAreCheckedWhenSavedAndTestedFromTheTab();
};

void NoticesWindowTest::entriesAreCheckedWhenSavedAndTestedFromTheTab()
{
    const testsupport::NoticeServer server("tk_window_t0ken", "");
    WindowFixture fixture;
    {
        MainWindow& form = fixture.start();
        NoticesTab& tab = *form.noticesTab();
        QVERIFY(!tab.testButton()->isEnabled());
        // Choosing Discord fills in its address and body; a body that is no JSON once filled in is refused
        // with the parser's reason, and the dialog comes back as typed.
        fixture.dialogs.dialogAnswers.enqueue([](QDialog& shown) {
            auto& dialog = static_cast<NoticeDialog&>(shown);
            dialog.kindCombo()->setCurrentIndex(dialog.kindCombo()->findData(QStringLiteral("discord")));
            const bool filled = dialog.urlEdit()->text().startsWith(QStringLiteral("https://discord.com/")) &&
                                dialog.bodyEdit()->text() == QStringLiteral(R"({"content":"{DETAILS}"})");
            dialog.bodyEdit()->setText(QStringLiteral(R"({"content":{IP}})"));
            return filled;
        });
        fixture.dialogs.dialogAnswers.enqueue([&server](QDialog& shown) {
            auto& dialog = static_cast<NoticeDialog&>(shown);
            const bool kept = dialog.bodyEdit()->text() == QStringLiteral(R"({"content":{IP}})");
            dialog.kindCombo()->setCurrentIndex(dialog.kindCombo()->findData(QStringLiteral("ntfy")));
            dialog.urlEdit()->setText(QString::fromStdString(server.origin() + "/home"));
            dialog.tokenEdit()->setText(QStringLiteral("tk_window_t0ken"));
            dialog.bodyEdit()->setText(QStringLiteral("{EVENT}"));
            dialog.eventChecks().front()->setChecked(false);
            return kept;
        });
        tab.addButton()->click();
        QCOMPARE(fixture.dialogs.messages().size(), 1);
        QVERIFY2(fixture.dialogs.messages()[0].startsWith(QStringLiteral("The body is not valid JSON once filled in: ")),
                 qPrintable(fixture.dialogs.messages()[0]));
        QCOMPARE(tab.entryList()->count(), 1);
        QCOMPARE(tab.entryList()->item(0)->text(), QStringLiteral("ntfy - 127.0.0.1"));

        tab.entryList()->setCurrentRow(0);
        tab.testButton()->click();
        QCOMPARE(fixture.dialogs.messages().last(), QStringLiteral("Notice 1 (ntfy at 127.0.0.1): the test notice was sent."));
        QCOMPARE(server.requests().size(), 1u);
        QVERIFY(fixture.close());
    }
    const std::string text = fixture.settingsText();
    QVERIFY(text.find("tk_window_t0ken") == std::string::npos);
    for (const char* line : {"Count=1\r\n", "Kind1=ntfy\r\n", "Events1=ip6,lookup,failed,retry\r\n", "Body1={EVENT}\r\n"})
        QVERIFY2(text.find(line) != std::string::npos, line);

    MainWindow& form = fixture.start();
    form.noticesTab()->entryList()->setCurrentRow(0);
    form.noticesTab()->removeButton()->click();
    QCOMPARE(form.noticesTab()->entryList()->count(), 0);
}

QTEST_MAIN(NoticesWindowTest)
#include "NoticesWindowTest.moc"
