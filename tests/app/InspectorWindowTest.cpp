#include "FindDialog.h"
#include "FormFixture.h"
#include "LocalPage.h"
#include "PageView.h"
#include "RouterPages.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QtTest>

namespace {

const QString kNotUnique = QStringLiteral("The keyword is not unique");
const QString kNoKeyword = QStringLiteral("Failed to find suitable keyword.");

// A byte order mark, NUL, lone CR, line and paragraph separators, bytes that are not UTF-8, a vertical tab.
const QByteArray kOddPage("\xEF\xBB\xBF<p>a\0b\rc\xE2\x80\xA8" "d\xFF\xFE" "e\xE2\x80\xA9" "f\x0Bg\tWAN address: 10.1.2.3</p>",
                          50);

QByteArray Utf8(const std::string& text) { return QByteArray(text.data(), static_cast<qsizetype>(text.size())); }

// The Test URL tab pointed at a page, with the address to look for.
void Teach(TForm1& form, const QString& url, const QString& address)
{
    form.rbUserDefined->setChecked(true);
    form.edURL->setText(url);
    form.edIPAddress->setText(address);
    form.PageControl9->setCurrentWidget(form.TsTest);
}

void Click(QPushButton* button)
{
    QVERIFY2(button->isEnabled(), qPrintable(button->objectName()));
    QTest::mouseClick(button, Qt::LeftButton);
}

// Selects the n-th occurrence of text in the page view, as the user would with the mouse.
void SelectInView(TForm1& form, const QString& text, int occurrence = 0)
{
    const QString view = form.RichEdit1->toPlainText();
    qsizetype at = -1;
    for (int n = 0; n <= occurrence; ++n) {
        at = view.indexOf(text, at + 1);
        QVERIFY2(at >= 0, qPrintable(text));
    }
    QTextCursor cursor = form.RichEdit1->textCursor();
    cursor.setPosition(static_cast<int>(at));
    cursor.setPosition(static_cast<int>(at + text.size()), QTextCursor::KeepAnchor);
    form.RichEdit1->setTextCursor(cursor);
}

QString SelectedInView(const TForm1& form)
{
    return form.RichEdit1->textCursor().selectedText().replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
}

int ViewOffset(const TForm1& form) { return form.RichEdit1->textCursor().selectionStart(); }

// Byte distance from the end of keyword to address in the page: what the skip count must be.
long long ByteSkip(const std::string& page, const std::string& keyword, const std::string& address)
{
    return static_cast<long long>(page.find(address)) - static_cast<long long>(page.find(keyword) + keyword.size());
}

} // namespace

class InspectorWindowTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }
    void markedKeywordLandsOnTheAddress_data();
    void markedKeywordLandsOnTheAddress();
    void keywordRefusalsAndTheMarkState();
    void autoWalksLeftToAnAcceptableKeyword_data();
    void autoWalksLeftToAnAcceptableKeyword();
    void autoWithoutUserDefinedOrInDebugView();
    void pagesBehindBasicAuth();
    void findNextRunsForwardOnly();
    void contextMenuAndClipboard();
    void buttonsWhenTheTabIsShown_data();
    void buttonsWhenTheTabIsShown();
    void taughtLookupSurvivesRestart();

private:
    TRouterPages pages_;
};

void InspectorWindowTest::markedKeywordLandsOnTheAddress_data()
{
    QTest::addColumn<QByteArray>("page");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("keyword");  // as the view shows it
    QTest::addColumn<QByteArray>("keywordBytes");
    QTest::newRow("plain") << QByteArray("WAN IP: 10.1.2.3 Mask") << "10.1.2.3" << "WAN IP:" << QByteArray("WAN IP:");
    QTest::newRow("keyword after address") << QByteArray("IP 10.1.2.3 is WAN") << "10.1.2.3" << "is WAN"
                                           << QByteArray("is WAN");
    QTest::newRow("CR LF page, accents and a wide character before")
        << Utf8(kCrLfPage) << "203.0.113.9" << QString::fromUtf8("\xE2\x80\x94 \xF0\x9F\x8C\x90</td>")
        << QByteArray("\xE2\x80\x94 \xF0\x9F\x8C\x90</td>");
    QTest::newRow("odd characters before")
        << kOddPage << "10.1.2.3" << "\tWAN address:" << QByteArray("\tWAN address:");
    QTest::newRow("CR LF page, keyword over a line end")
        << Utf8(kCrLfPage) << "203.0.113.9" << "</td>\n\t\t<td>" << QByteArray("</td>\r\n\t\t<td>");
}

void InspectorWindowTest::markedKeywordLandsOnTheAddress()
{
    QFETCH(QByteArray, page);
    QFETCH(QString, address);
    QFETCH(QString, keyword);
    QFETCH(QByteArray, keywordBytes);
    const std::string body = page.toStdString();
    pages_.Write("mark.htm", body);
    TFormFixture fixture;
    TForm1& form = fixture.Start();
    form.edKeyword->setText(QStringLiteral("stale"));
    Teach(form, pages_.Address("mark.htm"), address);
    QVERIFY(!form.btnKeyWord->isEnabled());
    Click(form.btnGetPage);
    QVERIFY(fixture.Dialogs.Shown.isEmpty());
    QVERIFY(form.edKeyword->text().isEmpty());
    QVERIFY(form.edChartoSkip->text().isEmpty());
    // The address is selected and marked; the mark counts page bytes, the unit the lookup scans.
    QCOMPARE(SelectedInView(form), address);
    QCOMPARE(form.IPMark(), body.find(address.toStdString()));
    QVERIFY(form.btnFind->isEnabled());
    QVERIFY(!form.btnTest->isEnabled());

    SelectInView(form, keyword);
    QVERIFY(form.btnKeyWord->isEnabled());
    Click(form.btnKeyWord);
    QVERIFY(fixture.Dialogs.Shown.isEmpty());
    QCOMPARE(form.edKeyword->text().toUtf8(), keywordBytes);
    QCOMPARE(form.edChartoSkip->text().toLongLong(), ByteSkip(body, keywordBytes.toStdString(), address.toStdString()));
    QVERIFY(form.btnTest->isEnabled());
    Click(form.btnTest);
    QCOMPARE(form.Panel1->text(), address);
}

void InspectorWindowTest::keywordRefusalsAndTheMarkState()
{
    pages_.Write("refuse.htm", "abc xx abc 10.1.2.3 end");
    pages_.Write("first.htm", "10.1.2.3 is the WAN address");
    TFormFixture fixture;
    TForm1& form = fixture.Start();
    Teach(form, pages_.Address("refuse.htm"), QString());
    Click(form.btnGetPage);
    QCOMPARE(form.IPMark(), 0u);
    // No address marked: a selection is meant as the address.
    SelectInView(form, "abc");
    QVERIFY(form.btnMarkIP->isEnabled());
    QVERIFY(!form.btnKeyWord->isEnabled());
    form.PopupMenu2Popup();
    QVERIFY(form.MarkIPAddress1->isEnabled());
    QVERIFY(!form.MarkKeywords1->isEnabled());
    // Keyword without a marked address has no distance to count: nothing changes.
    form.edKeyword->setText(QStringLiteral("keep"));
    form.MarkKeyClick();
    QCOMPARE(form.edKeyword->text(), QStringLiteral("keep"));
    QCOMPARE(fixture.Dialogs.Beeps, 1);

    SelectInView(form, "10.1.2.3");
    Click(form.btnMarkIP);
    QCOMPARE(form.IPMark(), 11u);
    QVERIFY(!form.btnTest->isEnabled());
    QVERIFY(!form.RichEdit1->textCursor().hasSelection());
    QCOMPARE(ViewOffset(form), 11);
    // With the mark set, the next selection is the keyword.
    QVERIFY(!form.btnKeyWord->isEnabled());
    SelectInView(form, "abc", 1);
    QVERIFY(form.btnKeyWord->isEnabled());
    form.PopupMenu2Popup();
    QVERIFY(form.MarkKeywords1->isEnabled());
    form.MarkKeywords1->trigger();
    QCOMPARE(fixture.Dialogs.Messages(), QStringList{kNotUnique});
    QCOMPARE(ViewOffset(form), 0);
    QCOMPARE(SelectedInView(form), QStringLiteral("abc"));
    QCOMPARE(form.edKeyword->text(), QStringLiteral("keep"));
    // The earlier occurrence, now selected, is unique and gives the skip count.
    form.MarkKeyClick();
    QCOMPARE(form.edKeyword->text(), QStringLiteral("abc"));
    QCOMPARE(form.edChartoSkip->text(), QStringLiteral("8"));

    // An empty selection marks nothing.
    form.RichEdit1->moveCursor(QTextCursor::End);
    form.TsTestShow();
    QVERIFY(form.btnKeyWord->isEnabled());
    const int beeps = fixture.Dialogs.Beeps;
    Click(form.btnKeyWord);
    QCOMPARE(form.edKeyword->text(), QStringLiteral("abc"));
    QCOMPARE(fixture.Dialogs.Beeps, beeps + 1);

    // An address at the very first character gives the mark 0, which means none.
    form.edURL->setText(pages_.Address("first.htm"));
    form.edIPAddress->setText(QStringLiteral("10.1.2.3"));
    Click(form.btnGetPage);
    QCOMPARE(SelectedInView(form), QStringLiteral("10.1.2.3"));
    QCOMPARE(form.IPMark(), 0u);
    SelectInView(form, "WAN");
    QVERIFY(!form.btnKeyWord->isEnabled());
    QVERIFY(form.btnMarkIP->isEnabled());
}

void InspectorWindowTest::autoWalksLeftToAnAcceptableKeyword_data()
{
    QTest::addColumn<QByteArray>("page");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QByteArray>("keyword");
    QTest::addColumn<int>("skip");
    QTest::addColumn<QString>("message");
    QTest::newRow("first window") << QByteArray("<td>WAN IP</td><td>10.1.2.3</td>") << "10.1.2.3"
                                  << QByteArray("WAN IP</td><td") << 1 << "";
    QTest::newRow("full stop") << QByteArray("<b>Your public IP. is: 10.1.2.3</b>") << "10.1.2.3"
                               << QByteArray("Your public IP") << 6 << "";
    QTest::newRow("comma") << QByteArray("<b>Your WAN IP, is: 10.1.2.3</b>") << "10.1.2.3"
                           << QByteArray("<b>Your WAN IP") << 6 << "";
    QTest::newRow("occurs earlier") << QByteArray("<p>Internet</p>x<p>Internet</p>:10.1.2.3") << "10.1.2.3"
                                    << QByteArray("x<p>Internet</") << 3 << "";
    QTest::newRow("not signs, counted in bytes")
        << QByteArray("<p>Wide-area address \xC2\xAC\xC2\xAC 10.1.2.3") << "10.1.2.3"
        << QByteArray("-area address ") << 5 << "";
    QTest::newRow("CR LF page") << Utf8(kCrLfPage) << "203.0.113.9"
                                << QByteArray("\xF0\x9F\x8C\x90</td>\r\n\t\t<td>") << 1 << "";
    QTest::newRow("odd characters before") << kOddPage << "10.1.2.3" << QByteArray("g\tWAN address:") << 1 << "";
    QTest::newRow("Latin-1 bytes are not taken into a keyword")
        << QByteArray("<b>Adresse WAN</b> \xE9tat\xA0: 10.1.2.3") << "10.1.2.3" << QByteArray("resse WAN</b> ") << 7 << "";
    QTest::newRow("address near the start") << QByteArray("IP: 10.1.2.3 up") << "10.1.2.3" << QByteArray() << 0
                                            << kNoKeyword;
    QTest::newRow("no acceptable window") << QByteArray("...,,,...,,,...,,,... 10.1.2.3") << "10.1.2.3"
                                          << QByteArray() << 0 << kNoKeyword;
    QTest::newRow("address not on the page") << QByteArray("<p>Internet address: 10.1.2.4</p>") << "10.1.2.3"
                                             << QByteArray() << 0 << kNoKeyword;
}

void InspectorWindowTest::autoWalksLeftToAnAcceptableKeyword()
{
    QFETCH(QByteArray, page);
    QFETCH(QString, address);
    QFETCH(QByteArray, keyword);
    QFETCH(int, skip);
    QFETCH(QString, message);
    pages_.Write("auto.htm", page.toStdString());
    TFormFixture fixture;
    TForm1& form = fixture.Start();
    form.edKeyword->setText(QStringLiteral("before"));
    form.edChartoSkip->setText(QStringLiteral("0"));
    Teach(form, pages_.Address("auto.htm"), address);
    Click(form.btnAuto);
    QCOMPARE(Utf8(form.PageView().Page().Bytes()), page);
    if (!message.isEmpty()) {
        QCOMPARE(fixture.Dialogs.Messages(), QStringList{message});
        QCOMPARE(form.edKeyword->text(), QStringLiteral("before"));
        QVERIFY(form.Panel1->text().isEmpty());
        return;
    }
    QVERIFY2(fixture.Dialogs.Shown.isEmpty(), qPrintable(fixture.Dialogs.Messages().join('|')));
    QCOMPARE(form.edKeyword->text().toUtf8(), keyword);
    QCOMPARE(form.edChartoSkip->text(), QString::number(skip));
    QCOMPARE(form.IPMark(), page.toStdString().find(address.toStdString()));
    // The accepted window is shown selected, and Auto ran the lookup with it.
    QCOMPARE(SelectedInView(form).toUtf8(), QByteArray(keyword).replace("\r\n", "\n"));
    QCOMPARE(form.Panel1->text(), address);
}

void InspectorWindowTest::autoWithoutUserDefinedOrInDebugView()
{
    TLocalPage page("<td>WAN IP</td><td>10.1.2.3</td>");
    TFormFixture fixture;
    TForm1& form = fixture.Start();
    Teach(form, page.Address(), QStringLiteral("10.1.2.3"));
    form.rbExternal->setChecked(true);
    Click(form.btnAuto);
    QCOMPARE(fixture.Dialogs.Messages(),
             QStringList{"User-defined lookup radio button needs to be \r\nselected for Get IP button to work."});
    QCOMPARE(page.Requests(), 0);

    // The debug view works on the page shown and the user's own selection: no fetch, no lookup.
    form.rbUserDefined->setChecked(true);
    Click(form.btnGetPage);
    QCOMPARE(page.Requests(), 1);
    form.cbDebug->setChecked(true);
    QVERIFY(form.Panel4->isVisibleTo(&form));
    form.edIPAddress->setText(QStringLiteral("not used"));
    SelectInView(form, "10.1.2.3");
    fixture.Dialogs.Clear();
    Click(form.btnAuto);
    QCOMPARE(page.Requests(), 1);
    QCOMPARE(form.edKeyword->text(), QStringLiteral("WAN IP</td><td"));
    QCOMPARE(form.edChartoSkip->text(), QStringLiteral("1"));
    QCOMPARE(fixture.Dialogs.Messages(), QStringList{QString()});
    QVERIFY(form.Panel1->text().isEmpty());
}

void InspectorWindowTest::pagesBehindBasicAuth()
{
    pages_.Write("secure/status.htm", "<p>WAN address: 198.51.100.77</p>");
    TFormFixture fixture;
    TForm1& form = fixture.Start();
    form.cbWebAuth->setChecked(true);
    form.edWebUsername->setText(QString::fromLatin1(TRouterPages::kUser));
    form.edWebPassword->setText(QStringLiteral("wrong"));
    Teach(form, pages_.Address("secure/status.htm"), QStringLiteral("198.51.100.77"));
    Click(form.btnGetPage);
    QCOMPARE(fixture.Dialogs.Messages(), QStringList{"Unable to connect to webpage"});
    QVERIFY(form.RichEdit1->toPlainText().isEmpty());
    QVERIFY(!form.btnFind->isEnabled());

    fixture.Dialogs.Clear();
    form.edWebPassword->setText(QString::fromLatin1(TRouterPages::kPassword));
    Click(form.btnAuto);
    QVERIFY2(fixture.Dialogs.Shown.isEmpty(), qPrintable(fixture.Dialogs.Messages().join('|')));
    QCOMPARE(form.edKeyword->text(), QStringLiteral("p>WAN address:"));
    QCOMPARE(form.Panel1->text(), QStringLiteral("198.51.100.77"));

    // Showing the tab hands the credentials to the client even with the box unchecked.
    fixture.Dialogs.Clear();
    TForm1& other = fixture.Start();
    other.edWebUsername->setText(QString::fromLatin1(TRouterPages::kUser));
    other.edWebPassword->setText(QString::fromLatin1(TRouterPages::kPassword));
    other.cbWebAuth->setChecked(false);
    Teach(other, pages_.Address("secure/status.htm"), QString());
    Click(other.btnGetPage);
    QVERIFY(fixture.Dialogs.Shown.isEmpty());
    QVERIFY(other.RichEdit1->toPlainText().contains(QStringLiteral("198.51.100.77")));
}

void InspectorWindowTest::findNextRunsForwardOnly()
{
    pages_.Write("find.htm", "ip 1.1.1.1\r\nIP 1.1.1.1 \xC3\xA9 1.1.1.1");
    TFormFixture fixture;
    TForm1& form = fixture.Start();
    Teach(form, pages_.Address("find.htm"), QString());
    QVERIFY(!form.btnFind->isEnabled());
    Click(form.btnGetPage);
    form.edIPAddress->setText(QStringLiteral("1.1.1.1"));
    Click(form.btnFind);
    QVERIFY(form.FindDialog1->isVisible());
    QVERIFY(!form.FindDialog1->isModal());
    QCOMPARE(form.FindDialog1->FindText(), QStringLiteral("1.1.1.1"));
    for (int expected : {3, 14, 24, 24}) {
        QTest::mouseClick(form.FindDialog1->FindNextButton(), Qt::LeftButton);
        QCOMPARE(ViewOffset(form), expected);
        QCOMPARE(SelectedInView(form), QStringLiteral("1.1.1.1"));
    }
    QVERIFY(form.btnMarkIP->isEnabled());
    // Case counts; a miss leaves the selection where it was.
    form.FindDialog1->SetFindText(QStringLiteral("Ip"));
    QTest::mouseClick(form.FindDialog1->FindNextButton(), Qt::LeftButton);
    QCOMPARE(ViewOffset(form), 24);
    form.FindDialog1->SetFindText(QStringLiteral("IP"));
    form.RichEdit1->moveCursor(QTextCursor::End);
    QTest::mouseClick(form.FindDialog1->FindNextButton(), Qt::LeftButton);
    QCOMPARE(ViewOffset(form), 11);  // an empty selection searches from the start
    QVERIFY(fixture.Dialogs.Shown.isEmpty());

    // Ctrl+F in the page view opens the dialog as the menu item does.
    form.FindDialog1->hide();
    form.show();
    form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    form.PageControl9->setCurrentWidget(form.TsTest);
    form.RichEdit1->setFocus();
    QTest::keyClick(form.RichEdit1, Qt::Key_F, Qt::ControlModifier);
    QVERIFY(form.FindDialog1->isVisible());
    QCOMPARE(form.FindDialog1->FindText(), QStringLiteral("1.1.1.1"));
    form.FindDialog1->hide();
}

void InspectorWindowTest::contextMenuAndClipboard()
{
    TFormFixture fixture;
    TForm1& form = fixture.Start();
    form.PopupMenu2Popup();
    for (QAction* action : {form.Cut1, form.Copy1, form.Paste1, form.SelectAll1, form.Find1, form.MarkKeywords1})
        QVERIFY2(!action->isEnabled(), qPrintable(action->objectName()));

    form.RichEdit1->setPlainText(QStringLiteral("WAN IP: 10.1.2.3"));
    SelectInView(form, "WAN ");
    form.PopupMenu2Popup();
    QVERIFY(form.Cut1->isEnabled() && form.Copy1->isEnabled() && form.SelectAll1->isEnabled());
    QVERIFY(form.Find1->isEnabled());
    QVERIFY(!form.Paste1->isEnabled());
    form.Copy1->trigger();
    QCOMPARE(fixture.Dialogs.Clipboard, QStringLiteral("WAN "));
    form.Cut1->trigger();
    QCOMPARE(form.RichEdit1->toPlainText(), QStringLiteral("IP: 10.1.2.3"));
    form.RichEdit1->moveCursor(QTextCursor::End);
    form.PopupMenu2Popup();
    QVERIFY(form.Paste1->isEnabled());
    QVERIFY(!form.Copy1->isEnabled());
    form.Paste1->trigger();
    QCOMPARE(form.RichEdit1->toPlainText(), QStringLiteral("IP: 10.1.2.3WAN "));
    form.SelectAll1->trigger();
    QCOMPARE(SelectedInView(form), QStringLiteral("IP: 10.1.2.3WAN "));

    // An edited view is the page the inspector works on.
    form.edIPAddress->setText(QStringLiteral("10.1.2.3"));
    form.RichEdit1->moveCursor(QTextCursor::Start);
    form.FindDialog1->SetFindText(QStringLiteral("WAN"));
    form.FindDialog1Find();
    QCOMPARE(ViewOffset(form), 12);
}

void InspectorWindowTest::buttonsWhenTheTabIsShown_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<bool>("userDefined");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("keyword");
    QTest::addColumn<QString>("skip");
    QTest::addColumn<QString>("page");
    QTest::addColumn<QStringList>("enabled");
    const QStringList none;
    QTest::newRow("nothing") << "" << true << "" << "" << "" << "" << none;
    QTest::newRow("page address") << "r/s" << true << "" << "" << "" << "" << QStringList{"btnGetPage"};
    QTest::newRow("external source") << "r/s" << false << "" << "" << "" << "" << none;
    QTest::newRow("address to look for") << "" << true << "1.2.3.4" << "" << "" << "" << QStringList{"btnAuto"};
    QTest::newRow("page shown") << "" << true << "" << "" << "" << "text"
                                << QStringList{"btnFind", "btnKeyWord"};
    QTest::newRow("keyword and skip without a page") << "" << true << "" << "k" << "1" << "" << none;
    QTest::newRow("everything") << "r/s" << true << "1.2.3.4" << "k" << "1" << "text"
                                << QStringList{"btnAuto", "btnFind", "btnTest", "btnGetPage", "btnKeyWord", "btnFeedBack"};
    // The feedback form sends the page address, keyword and skip count, so it is offered once all are there.
    QTest::newRow("lookup fields without a page") << "r/s" << true << "" << "k" << "1" << ""
                                                  << QStringList{"btnGetPage", "btnFeedBack"};
}

void InspectorWindowTest::buttonsWhenTheTabIsShown()
{
    QFETCH(QString, url);
    QFETCH(bool, userDefined);
    QFETCH(QString, address);
    QFETCH(QString, keyword);
    QFETCH(QString, skip);
    QFETCH(QString, page);
    QFETCH(QStringList, enabled);
    TFormFixture fixture;
    TForm1& form = fixture.Start();
    form.rbUserDefined->setChecked(userDefined);
    form.rbExternal->setChecked(!userDefined);
    form.edURL->setText(url);
    form.edIPAddress->setText(address);
    form.edKeyword->setText(keyword);
    form.edChartoSkip->setText(skip);
    form.RichEdit1->setPlainText(page);
    form.PageControl9->setCurrentWidget(form.TsTest);
    QStringList actual;
    for (QPushButton* button :
         {form.btnAuto, form.btnFind, form.btnTest, form.btnGetPage, form.btnKeyWord, form.btnFeedBack}) {
        if (button->isEnabled())
            actual << button->objectName();
    }
    QCOMPARE(actual, enabled);
}

void InspectorWindowTest::taughtLookupSurvivesRestart()
{
    pages_.Write("teach.htm", kCrLfPage);
    TFormFixture fixture;
    {
        TForm1& form = fixture.Start();
        Teach(form, pages_.Address("teach.htm"), QStringLiteral("203.0.113.9"));
        Click(form.btnAuto);
        QCOMPARE(form.Panel1->text(), QStringLiteral("203.0.113.9"));
        form.PageControl9->setCurrentWidget(form.TsUser);
        fixture.Dialogs.InputAnswers.enqueue(QString::fromUtf8("Box \xC3\xA9t\xC3\xA9"));
        Click(form.btnAdd);
        QCOMPARE(form.ListBox5->count(), 1);
        // New clears the page view and the fields; the entry keeps them.
        Click(form.btnNew);
        QVERIFY(form.RichEdit1->toPlainText().isEmpty());
        QVERIFY(fixture.Close());
    }
    TForm1& form = fixture.Start();
    QCOMPARE(form.ListBox5->item(0)->text(), QString::fromUtf8("Box \xC3\xA9t\xC3\xA9"));
    QCOMPARE(form.SelectedRouter, -1);
    QVERIFY(form.edURL->text().isEmpty());
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    const QRect row = form.ListBox5->visualItemRect(form.ListBox5->item(0));
    QTest::mouseClick(form.ListBox5->viewport(), Qt::LeftButton, {}, row.center());
    QCOMPARE(form.edURL->text(), pages_.Address("teach.htm"));
    Click(form.btnGetIP);
    QCOMPARE(form.Panel1->text(), QStringLiteral("203.0.113.9"));
    QCOMPARE(form.edIPAddress->text(), QStringLiteral("203.0.113.9"));
}

QTEST_MAIN(InspectorWindowTest)
#include "InspectorWindowTest.moc"
