#include "Form1.h"
#include "LayoutHelpers.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QProxyStyle>
#include <QTimer>

namespace {

// Password boxes of this program mask every character with "+".
class TPlusMaskStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override
    {
        if (hint == QStyle::SH_LineEdit_PasswordCharacter)
            return QLatin1Char('+').unicode();
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

QTimer* Timer(QObject* owner, const QString& name, int intervalMs)
{
    auto* timer = new QTimer(owner);
    timer->setObjectName(name);
    timer->setInterval(intervalMs);
    return timer;
}

QAction* MenuItem(QMenu* menu, const QString& name, const QString& caption, const QKeySequence& shortcut = {})
{
    QAction* action = menu->addAction(caption);
    action->setObjectName(name);
    if (!shortcut.isEmpty())
        action->setShortcut(shortcut);
    return action;
}

} // namespace

QLineEdit* TForm1::MaskedEdit(QWidget* parent, const QString& name)
{
    if (!plusMaskStyle_) {
        plusMaskStyle_ = new TPlusMaskStyle;
        plusMaskStyle_->setParent(this);
    }
    QLineEdit* edit = Layout::Edit(parent, name);
    edit->setStyle(plusMaskStyle_);
    edit->setEchoMode(QLineEdit::Password);
    return edit;
}

void TForm1::BuildComponents()
{
    Timer1 = Timer(this, QStringLiteral("Timer1"), 60000);
    Timer2 = Timer(this, QStringLiteral("Timer2"), 20);
    IconTimer = Timer(this, QStringLiteral("IconTimer"), 10000);
    DNSBlock1 = Timer(this, QStringLiteral("DNSBlock1"), 600000);
    DNSBlock2 = Timer(this, QStringLiteral("DNSBlock2"), 600000);

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    RestoreKestrune1 = MenuItem(PopupMenu1, QStringLiteral("RestoreKestrune1"), QStringLiteral("Restore Kestrune"));
    ExitKestrune1 = MenuItem(PopupMenu1, QStringLiteral("ExitKestrune1"), QStringLiteral("Exit Kestrune"));

    PopupMenu2 = new QMenu(this);
    PopupMenu2->setObjectName(QStringLiteral("PopupMenu2"));
    Cut1 = MenuItem(PopupMenu2, QStringLiteral("Cut1"), QStringLiteral("Cut"), QKeySequence(QStringLiteral("Ctrl+X")));
    Copy1 = MenuItem(PopupMenu2, QStringLiteral("Copy1"), QStringLiteral("Copy"), QKeySequence(QStringLiteral("Ctrl+C")));
    Paste1 = MenuItem(PopupMenu2, QStringLiteral("Paste1"), QStringLiteral("Paste"), QKeySequence(QStringLiteral("Ctrl+V")));
    SelectAll1 = MenuItem(PopupMenu2, QStringLiteral("SelectAll1"), QStringLiteral("Select All"),
                          QKeySequence(QStringLiteral("Ctrl+A")));
    PopupMenu2->addSeparator();
    MarkIPAddress1 = MenuItem(PopupMenu2, QStringLiteral("MarkIPAddress1"), QStringLiteral("Mark IP Address"));
    MarkKeywords1 = MenuItem(PopupMenu2, QStringLiteral("MarkKeywords1"), QStringLiteral("Mark Keyword(s)"));
    PopupMenu2->addSeparator();
    Find1 = MenuItem(PopupMenu2, QStringLiteral("Find1"), QStringLiteral("Find..."), QKeySequence(QStringLiteral("Ctrl+F")));

    OpenDialog1.filter = QStringLiteral(
        "All Files (*.htm;*.html;*.js;*.txt)|*.htm;*.html;*.js;*.txt|HTML Files (*.htm;*.html)|*.htm;*.html|"
        "Script Files (*.js)|*.js|Text Files (*.txt)|*.txt");
    SaveDialog1.filter = QStringLiteral("Text Files (*.txt)|*.txt");
    SaveDialog1.defaultExtension = QStringLiteral("txt");

    // A server that stops answering would otherwise hold the upload, and with it every later check, for ever.
    NetFTP1.ReadTimeout = 60000;
}

void TForm1::SetTimerEnabled(QTimer* timer, bool enabled)
{
    if (enabled)
        timer->start();
    else
        timer->stop();
}
