#include "FindDialog.h"
#include "WindowFixture.h"
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

using namespace kestrune::app;

namespace {

const QString kNotUnique = QStringLiteral("The keyword is not unique");
const QString kNoKeyword = QStringLiteral("Failed to find suitable keyword.");

// A byte order mark, NUL, lone CR, line and paragraph separators, bytes that are not UTF-8, a vertical tab.
const QByteArray kOddPage("\xEF\xBB\xBF<p>a\0b\rc\xE2\x80\xA8" "d\xFF\xFE" "e\xE2\x80\xA9" "f\x0Bg\tWAN address: 10.1.2.3</p>",
                          50);

QByteArray utf8(const std::string& text) { return QByteArray(text.data(), static_cast<qsizetype>(text.size())); }

// The Test URL tab pointed at a page, with the address to look for.
void teach(MainWindow& form, const QString& url, const QString& address)
{
    form.userLookupsTab()->userDefinedRadio()->setChecked(true);
    form.userLookupsTab()->urlEdit()->setText(url);
    form.pageInspectorTab()->addressEdit()->setText(address);
    form.tabs()->setCurrentWidget(form.pageInspectorTab());
}

void click(QPushButton* button)
{
    QVERIFY2(button->isEnabled(), qPrintable(button->objectName()));
    QTest::mouseClick(button, Qt::LeftButton);
}

// Selects the n-th occurrence of text in the page view, as the user would with the mouse.
void selectInView(MainWindow& form, const QString& text, int occurrence = 0)
{
    const QString view = form.pageInspectorTab()->pageEdit()->toPlainText();
    qsizetype at = -1;
    for (int n = 0; n <= occurrence; ++n) {
        at = view.indexOf(text, at + 1);
        QVERIFY2(at >= 0, qPrintable(text));
    }
    QTextCursor cursor = form.pageInspectorTab()->pageEdit()->textCursor();
    cursor.setPosition(static_cast<int>(at));
    cursor.setPosition(static_cast<int>(at + text.size()), QTextCursor::KeepAnchor);
    form.pageInspectorTab()->pageEdit()->setTextCursor(cursor);
}

QString selectedInView(const MainWindow& form)
{
    return form.pageInspectorTab()->pageEdit()->textCursor().selectedText().replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
}

int viewOffset(const MainWindow& form) { return form.pageInspectorTab()->pageEdit()->textCursor().selectionStart(); }

// Byte distance from the end of keyword to address in the page: what the skip count must be.
long long byteSkip(const std::string& page, const std::string& keyword, const std::string& address)
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
    RouterPages m_pages;
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
        << utf8(kCrLfPage) << "203.0.113.9" << QString::fromUtf8("\xE2\x80\x94 \xF0\x9F\x8C\x90</td>")
        << QByteArray("\xE2\x80\x94 \xF0\x9F\x8C\x90</td>");
    QTest::newRow("odd characters before")
        << kOddPage << "10.1.2.3" << "\tWAN address:" << QByteArray("\tWAN address:");
    QTest::newRow("CR LF page, keyword over a line end")
        << utf8(kCrLfPage) << "203.0.113.9" << "</td>\n\t\t<td>" << QByteArray("</td>\r\n\t\t<td>");
}

void InspectorWindowTest::markedKeywordLandsOnTheAddress()
{
    QFETCH(QByteArray, page);
    QFETCH(QString, address);
    QFETCH(QString, keyword);
    QFETCH(QByteArray, keywordBytes);
    const std::string body = page.toStdString();
    m_pages.write("mark.htm", body);
    WindowFixture fixture;
    MainWindow& form = fixture.start();
    form.pageInspectorTab()->keywordEdit()->setText(QStringLiteral("stale"));
    teach(form, m_pages.address("mark.htm"), address);
    QVERIFY(!form.pageInspectorTab()->keywordButton()->isEnabled());
    click(form.pageInspectorTab()->getPageButton());
    QVERIFY(fixture.dialogs.shown.isEmpty());
    QVERIFY(form.pageInspectorTab()->keywordEdit()->text().isEmpty());
    QVERIFY(form.pageInspectorTab()->skipEdit()->text().isEmpty());
    // The address is selected and marked; the mark counts page bytes, the unit the lookup scans.
    QCOMPARE(selectedInView(form), address);
    QCOMPARE(form.addressMark(), body.find(address.toStdString()));
    QVERIFY(form.pageInspectorTab()->findButton()->isEnabled());
    QVERIFY(!form.pageInspectorTab()->testButton()->isEnabled());

    selectInView(form, keyword);
    QVERIFY(form.pageInspectorTab()->keywordButton()->isEnabled());
    click(form.pageInspectorTab()->keywordButton());
    QVERIFY(fixture.dialogs.shown.isEmpty());
    QCOMPARE(form.pageInspectorTab()->keywordEdit()->text().toUtf8(), keywordBytes);
    QCOMPARE(form.pageInspectorTab()->skipEdit()->text().toLongLong(), byteSkip(body, keywordBytes.toStdString(), address.toStdString()));
    QVERIFY(form.pageInspectorTab()->testButton()->isEnabled());
    click(form.pageInspectorTab()->testButton());
    QCOMPARE(form.addressLabel()->text(), address);
}

void InspectorWindowTest::keywordRefusalsAndTheMarkState()
{
    m_pages.write("refuse.htm", "abc xx abc 10.1.2.3 end");
    m_pages.write("first.htm", "10.1.2.3 is the WAN address");
    WindowFixture fixture;
    MainWindow& form = fixture.start();
    teach(form, m_pages.address("refuse.htm"), QString());
    click(form.pageInspectorTab()->getPageButton());
    QCOMPARE(form.addressMark(), 0u);
    // No address marked: a selection is meant as the address.
    selectInView(form, "abc");
    QVERIFY(form.pageInspectorTab()->markAddressButton()->isEnabled());
    QVERIFY(!form.pageInspectorTab()->keywordButton()->isEnabled());
    form.onPageMenuAboutToShow();
    QVERIFY(form.pageInspectorTab()->markAddressAction()->isEnabled());
    QVERIFY(!form.pageInspectorTab()->markKeywordAction()->isEnabled());
    // Keyword without a marked address has no distance to count: nothing changes.
    form.pageInspectorTab()->keywordEdit()->setText(QStringLiteral("keep"));
    form.onMarkKeywordClicked();
    QCOMPARE(form.pageInspectorTab()->keywordEdit()->text(), QStringLiteral("keep"));
    QCOMPARE(fixture.dialogs.beeps, 1);

    selectInView(form, "10.1.2.3");
    click(form.pageInspectorTab()->markAddressButton());
    QCOMPARE(form.addressMark(), 11u);
    QVERIFY(!form.pageInspectorTab()->testButton()->isEnabled());
    QVERIFY(!form.pageInspectorTab()->pageEdit()->textCursor().hasSelection());
    QCOMPARE(viewOffset(form), 11);
    // With the mark set, the next selection is the keyword.
    QVERIFY(!form.pageInspectorTab()->keywordButton()->isEnabled());
    selectInView(form, "abc", 1);
    QVERIFY(form.pageInspectorTab()->keywordButton()->isEnabled());
    form.onPageMenuAboutToShow();
    QVERIFY(form.pageInspectorTab()->markKeywordAction()->isEnabled());
    form.pageInspectorTab()->markKeywordAction()->trigger();
    QCOMPARE(fixture.dialogs.messages(), QStringList{kNotUnique});
    QCOMPARE(viewOffset(form), 0);
    QCOMPARE(selectedInView(form), QStringLiteral("abc"));
    QCOMPARE(form.pageInspectorTab()->keywordEdit()->text(), QStringLiteral("keep"));
    // The earlier occurrence, now selected, is unique and gives the skip count.
    form.onMarkKeywordClicked();
    QCOMPARE(form.pageInspectorTab()->keywordEdit()->text(), QStringLiteral("abc"));
    QCOMPARE(form.pageInspectorTab()->skipEdit()->text(), QStringLiteral("8"));

    // An empty selection marks nothing.
    form.pageInspectorTab()->pageEdit()->moveCursor(QTextCursor::End);
    form.onInspectorTabShown();
    QVERIFY(form.pageInspectorTab()->keywordButton()->isEnabled());
    const int beeps = fixture.dialogs.beeps;
    click(form.pageInspectorTab()->keywordButton());
    QCOMPARE(form.pageInspectorTab()->keywordEdit()->text(), QStringLiteral("abc"));
    QCOMPARE(fixture.dialogs.beeps, beeps + 1);

    // An address at the very first character gives the mark 0, which means none.
    form.userLookupsTab()->urlEdit()->setText(m_pages.address("first.htm"));
    form.pageInspectorTab()->addressEdit()->setText(QStringLiteral("10.1.2.3"));
    click(form.pageInspectorTab()->getPageButton());
    QCOMPARE(selectedInView(form), QStringLiteral("10.1.2.3"));
    QCOMPARE(form.addressMark(), 0u);
    selectInView(form, "WAN");
    QVERIFY(!form.pageInspectorTab()->keywordButton()->isEnabled());
    QVERIFY(form.pageInspectorTab()->markAddressButton()->isEnabled());
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
    QTest::newRow("CR LF page") << utf8(kCrLfPage) << "203.0.113.9"
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
    m_pages.write("auto.htm", page.toStdString());
    WindowFixture fixture;
    MainWindow& form = fixture.start();
    form.pageInspectorTab()->keywordEdit()->setText(QStringLiteral("before"));
    form.pageInspectorTab()->skipEdit()->setText(QStringLiteral("0"));
    teach(form, m_pages.address("auto.htm"), address);
    click(form.pageInspectorTab()->autoButton());
    QCOMPARE(utf8(form.pageView().page().bytes()), page);
    if (!message.isEmpty()) {
        QCOMPARE(fixture.dialogs.messages(), QStringList{message});
        QCOMPARE(form.pageInspectorTab()->keywordEdit()->text(), QStringLiteral("before"));
        QVERIFY(form.addressLabel()->text().isEmpty());
        return;
    }
    QVERIFY2(fixture.dialogs.shown.isEmpty(), qPrintable(fixture.dialogs.messages().join('|')));
    QCOMPARE(form.pageInspectorTab()->keywordEdit()->text().toUtf8(), keyword);
    QCOMPARE(form.pageInspectorTab()->skipEdit()->text(), QString::number(skip));
    QCOMPARE(form.addressMark(), page.toStdString().find(address.toStdString()));
    // The accepted window is shown selected, and Auto ran the lookup with it.
    QCOMPARE(selectedInView(form).toUtf8(), QByteArray(keyword).replace("\r\n", "\n"));
    QCOMPARE(form.addressLabel()->text(), address);
}

void InspectorWindowTest::autoWithoutUserDefinedOrInDebugView()
{
    LocalPage page("<td>WAN IP</td><td>10.1.2.3</td>");
    WindowFixture fixture;
    MainWindow& form = fixture.start();
    teach(form, page.address(), QStringLiteral("10.1.2.3"));
    form.externalServiceTab()->externalRadio()->setChecked(true);
    click(form.pageInspectorTab()->autoButton());
    QCOMPARE(fixture.dialogs.messages(),
             QStringList{"User-defined lookup radio button needs to be \r\nselected for Get IP button to work."});
    QCOMPARE(page.requests(), 0);

    // The debug view works on the page shown and the user's own selection: no fetch, no lookup.
    form.userLookupsTab()->userDefinedRadio()->setChecked(true);
    click(form.pageInspectorTab()->getPageButton());
    QCOMPARE(page.requests(), 1);
    form.systemTab()->debugCheck()->setChecked(true);
    QVERIFY(form.pageInspectorTab()->lookupFieldsPanel()->isVisibleTo(&form));
    form.pageInspectorTab()->addressEdit()->setText(QStringLiteral("not used"));
    selectInView(form, "10.1.2.3");
    fixture.dialogs.clear();
    click(form.pageInspectorTab()->autoButton());
    QCOMPARE(page.requests(), 1);
    QCOMPARE(form.pageInspectorTab()->keywordEdit()->text(), QStringLiteral("WAN IP</td><td"));
    QCOMPARE(form.pageInspectorTab()->skipEdit()->text(), QStringLiteral("1"));
    QCOMPARE(fixture.dialogs.messages(), QStringList{QString()});
    QVERIFY(form.addressLabel()->text().isEmpty());
}

void InspectorWindowTest::pagesBehindBasicAuth()
{
    m_pages.write("secure/status.htm", "<p>WAN address: 198.51.100.77</p>");
    WindowFixture fixture;
    MainWindow& form = fixture.start();
    form.userLookupsTab()->pageAuthCheck()->setChecked(true);
    form.userLookupsTab()->pageUsernameEdit()->setText(QString::fromLatin1(RouterPages::kUser));
    form.userLookupsTab()->pagePasswordEdit()->setText(QStringLiteral("wrong"));
    teach(form, m_pages.address("secure/status.htm"), QStringLiteral("198.51.100.77"));
    click(form.pageInspectorTab()->getPageButton());
    QCOMPARE(fixture.dialogs.messages(), QStringList{"Unable to connect to webpage"});
    QVERIFY(form.pageInspectorTab()->pageEdit()->toPlainText().isEmpty());
    QVERIFY(!form.pageInspectorTab()->findButton()->isEnabled());

    fixture.dialogs.clear();
    form.userLookupsTab()->pagePasswordEdit()->setText(QString::fromLatin1(RouterPages::kPassword));
    click(form.pageInspectorTab()->autoButton());
    QVERIFY2(fixture.dialogs.shown.isEmpty(), qPrintable(fixture.dialogs.messages().join('|')));
    QCOMPARE(form.pageInspectorTab()->keywordEdit()->text(), QStringLiteral("p>WAN address:"));
    QCOMPARE(form.addressLabel()->text(), QStringLiteral("198.51.100.77"));

    // Showing the tab hands the credentials to the client even with the box unchecked.
    fixture.dialogs.clear();
    MainWindow& other = fixture.start();
    other.userLookupsTab()->pageUsernameEdit()->setText(QString::fromLatin1(RouterPages::kUser));
    other.userLookupsTab()->pagePasswordEdit()->setText(QString::fromLatin1(RouterPages::kPassword));
    other.userLookupsTab()->pageAuthCheck()->setChecked(false);
    teach(other, m_pages.address("secure/status.htm"), QString());
    click(other.pageInspectorTab()->getPageButton());
    QVERIFY(fixture.dialogs.shown.isEmpty());
    QVERIFY(other.pageInspectorTab()->pageEdit()->toPlainText().contains(QStringLiteral("198.51.100.77")));
}

void InspectorWindowTest::findNextRunsForwardOnly()
{
    m_pages.write("find.htm", "ip 1.1.1.1\r\nIP 1.1.1.1 \xC3\xA9 1.1.1.1");
    WindowFixture fixture;
    MainWindow& form = fixture.start();
    teach(form, m_pages.address("find.htm"), QString());
    QVERIFY(!form.pageInspectorTab()->findButton()->isEnabled());
    click(form.pageInspectorTab()->getPageButton());
    form.pageInspectorTab()->addressEdit()->setText(QStringLiteral("1.1.1.1"));
    click(form.pageInspectorTab()->findButton());
    QVERIFY(form.pageInspectorTab()->findDialog()->isVisible());
    QVERIFY(!form.pageInspectorTab()->findDialog()->isModal());
    QCOMPARE(form.pageInspectorTab()->findDialog()->findText(), QStringLiteral("1.1.1.1"));
    // Beside the view, never over the match; a close button only.
    const QWidget* view = form.pageInspectorTab()->pageEdit();
    const QRect viewRect(view->mapToGlobal(QPoint(0, 0)), view->size());
    QVERIFY(!form.pageInspectorTab()->findDialog()->frameGeometry().intersects(viewRect));
    const Qt::WindowFlags flags = form.pageInspectorTab()->findDialog()->windowFlags();
    QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint) && !flags.testFlag(Qt::WindowContextHelpButtonHint));
    for (int expected : {3, 14, 24, 24}) {
        QTest::mouseClick(form.pageInspectorTab()->findDialog()->findNextButton(), Qt::LeftButton);
        QCOMPARE(viewOffset(form), expected);
        QCOMPARE(selectedInView(form), QStringLiteral("1.1.1.1"));
    }
    QVERIFY(form.pageInspectorTab()->markAddressButton()->isEnabled());
    // Case counts; a miss leaves the selection where it was.
    form.pageInspectorTab()->findDialog()->setFindText(QStringLiteral("Ip"));
    QTest::mouseClick(form.pageInspectorTab()->findDialog()->findNextButton(), Qt::LeftButton);
    QCOMPARE(viewOffset(form), 24);
    form.pageInspectorTab()->findDialog()->setFindText(QStringLiteral("IP"));
    form.pageInspectorTab()->pageEdit()->moveCursor(QTextCursor::End);
    QTest::mouseClick(form.pageInspectorTab()->findDialog()->findNextButton(), Qt::LeftButton);
    QCOMPARE(viewOffset(form), 11);  // an empty selection searches from the start
    QVERIFY(fixture.dialogs.shown.isEmpty());

    // Ctrl+F in the page view opens the dialog as the menu item does.
    form.pageInspectorTab()->findDialog()->hide();
    form.show();
    form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    form.tabs()->setCurrentWidget(form.pageInspectorTab());
    form.pageInspectorTab()->pageEdit()->setFocus();
    QTest::keyClick(form.pageInspectorTab()->pageEdit(), Qt::Key_F, Qt::ControlModifier);
    QVERIFY(form.pageInspectorTab()->findDialog()->isVisible());
    QCOMPARE(form.pageInspectorTab()->findDialog()->findText(), QStringLiteral("1.1.1.1"));
    form.pageInspectorTab()->findDialog()->hide();
}

void InspectorWindowTest::contextMenuAndClipboard()
{
    WindowFixture fixture;
    MainWindow& form = fixture.start();
    form.onPageMenuAboutToShow();
    for (QAction* action : {form.pageInspectorTab()->cutAction(), form.pageInspectorTab()->copyAction(), form.pageInspectorTab()->pasteAction(), form.pageInspectorTab()->selectAllAction(), form.pageInspectorTab()->findAction(), form.pageInspectorTab()->markKeywordAction()})
        QVERIFY2(!action->isEnabled(), qPrintable(action->objectName()));

    form.pageInspectorTab()->pageEdit()->setPlainText(QStringLiteral("WAN IP: 10.1.2.3"));
    selectInView(form, "WAN ");
    form.onPageMenuAboutToShow();
    QVERIFY(form.pageInspectorTab()->cutAction()->isEnabled() && form.pageInspectorTab()->copyAction()->isEnabled() && form.pageInspectorTab()->selectAllAction()->isEnabled());
    QVERIFY(form.pageInspectorTab()->findAction()->isEnabled());
    QVERIFY(!form.pageInspectorTab()->pasteAction()->isEnabled());
    form.pageInspectorTab()->copyAction()->trigger();
    QCOMPARE(fixture.dialogs.clipboard, QStringLiteral("WAN "));
    form.pageInspectorTab()->cutAction()->trigger();
    QCOMPARE(form.pageInspectorTab()->pageEdit()->toPlainText(), QStringLiteral("IP: 10.1.2.3"));
    form.pageInspectorTab()->pageEdit()->moveCursor(QTextCursor::End);
    form.onPageMenuAboutToShow();
    QVERIFY(form.pageInspectorTab()->pasteAction()->isEnabled());
    QVERIFY(!form.pageInspectorTab()->copyAction()->isEnabled());
    form.pageInspectorTab()->pasteAction()->trigger();
    QCOMPARE(form.pageInspectorTab()->pageEdit()->toPlainText(), QStringLiteral("IP: 10.1.2.3WAN "));
    form.pageInspectorTab()->selectAllAction()->trigger();
    QCOMPARE(selectedInView(form), QStringLiteral("IP: 10.1.2.3WAN "));

    // An edited view is the page the inspector works on.
    form.pageInspectorTab()->addressEdit()->setText(QStringLiteral("10.1.2.3"));
    form.pageInspectorTab()->pageEdit()->moveCursor(QTextCursor::Start);
    form.pageInspectorTab()->findDialog()->setFindText(QStringLiteral("WAN"));
    form.onFindNext();
    QCOMPARE(viewOffset(form), 12);
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
    QTest::newRow("page address") << "r/s" << true << "" << "" << "" << "" << QStringList{"getPageButton"};
    QTest::newRow("external source") << "r/s" << false << "" << "" << "" << "" << none;
    QTest::newRow("address to look for") << "" << true << "1.2.3.4" << "" << "" << "" << QStringList{"autoButton"};
    QTest::newRow("page shown") << "" << true << "" << "" << "" << "text"
                                << QStringList{"findButton", "keywordButton"};
    QTest::newRow("keyword and skip without a page") << "" << true << "" << "k" << "1" << "" << none;
    QTest::newRow("everything") << "r/s" << true << "1.2.3.4" << "k" << "1" << "text"
                                << QStringList{"autoButton", "findButton", "testButton", "getPageButton", "keywordButton", "feedbackButton"};
    // The feedback form sends the page address, keyword and skip count, so it is offered once all are there.
    QTest::newRow("lookup fields without a page") << "r/s" << true << "" << "k" << "1" << ""
                                                  << QStringList{"getPageButton", "feedbackButton"};
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
    WindowFixture fixture;
    MainWindow& form = fixture.start();
    form.userLookupsTab()->userDefinedRadio()->setChecked(userDefined);
    form.externalServiceTab()->externalRadio()->setChecked(!userDefined);
    form.userLookupsTab()->urlEdit()->setText(url);
    form.pageInspectorTab()->addressEdit()->setText(address);
    form.pageInspectorTab()->keywordEdit()->setText(keyword);
    form.pageInspectorTab()->skipEdit()->setText(skip);
    form.pageInspectorTab()->pageEdit()->setPlainText(page);
    form.tabs()->setCurrentWidget(form.pageInspectorTab());
    QStringList actual;
    for (QPushButton* button :
         {form.pageInspectorTab()->autoButton(), form.pageInspectorTab()->findButton(), form.pageInspectorTab()->testButton(), form.pageInspectorTab()->getPageButton(), form.pageInspectorTab()->keywordButton(), form.systemTab()->feedbackButton()}) {
        if (button->isEnabled())
            actual << button->objectName();
    }
    QCOMPARE(actual, enabled);
}

void InspectorWindowTest::taughtLookupSurvivesRestart()
{
    m_pages.write("teach.htm", kCrLfPage);
    WindowFixture fixture;
    {
        MainWindow& form = fixture.start();
        teach(form, m_pages.address("teach.htm"), QStringLiteral("203.0.113.9"));
        click(form.pageInspectorTab()->autoButton());
        QCOMPARE(form.addressLabel()->text(), QStringLiteral("203.0.113.9"));
        form.tabs()->setCurrentWidget(form.userLookupsTab());
        fixture.dialogs.inputAnswers.enqueue(QString::fromUtf8("Box \xC3\xA9t\xC3\xA9"));
        click(form.userLookupsTab()->addButton());
        QCOMPARE(form.userLookupsTab()->userLookupList()->count(), 1);
        // New clears the page view and the fields; the entry keeps them.
        click(form.userLookupsTab()->newButton());
        QVERIFY(form.pageInspectorTab()->pageEdit()->toPlainText().isEmpty());
        QVERIFY(fixture.close());
    }
    MainWindow& form = fixture.start();
    QCOMPARE(form.userLookupsTab()->userLookupList()->item(0)->text(), QString::fromUtf8("Box \xC3\xA9t\xC3\xA9"));
    QCOMPARE(form.selectionCode(), -1);
    QVERIFY(form.userLookupsTab()->urlEdit()->text().isEmpty());
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    const QRect row = form.userLookupsTab()->userLookupList()->visualItemRect(form.userLookupsTab()->userLookupList()->item(0));
    QTest::mouseClick(form.userLookupsTab()->userLookupList()->viewport(), Qt::LeftButton, {}, row.center());
    QCOMPARE(form.userLookupsTab()->urlEdit()->text(), m_pages.address("teach.htm"));
    click(form.userLookupsTab()->getAddressButton());
    QCOMPARE(form.addressLabel()->text(), QStringLiteral("203.0.113.9"));
    QCOMPARE(form.pageInspectorTab()->addressEdit()->text(), QStringLiteral("203.0.113.9"));
}

QTEST_MAIN(InspectorWindowTest)
#include "InspectorWindowTest.moc"
