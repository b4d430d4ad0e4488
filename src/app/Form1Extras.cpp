#include "Form1.h"

#include "EventTap.h"

#include <QCheckBox>
#include <QDialog>
#include <QDir>
#include <QDropEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QUrl>
#include <filesystem>

namespace {

const char* const kHelpMissing = "The help file cannot be located. Please shut down Kestrune and restart.";
const char* const kProductNotice = "Kestrune v1.1 - keeps an eye on the public address of your network.";
const QPoint kQuestionOffset(120, 150);
const QPoint kFeedbackOffset(50, 40);

// The next enabled tab from current in direction step; wrapping as Ctrl+Tab does, or stopping at the ends
// as the arrow keys do. -1 when there is none.
int NextEnabledTab(const QTabBar* bar, int current, int step, bool wrap)
{
    const int count = bar->count();
    int index = current;
    for (int pass = 0; pass < count; ++pass) {
        index += step;
        if (wrap)
            index = (index + count) % count;
        else if (index < 0 || index >= count)
            return -1;
        if (bar->isTabEnabled(index))
            return index;
    }
    return -1;
}

// The tab a user's mouse press or key would make current, or -1 when the event changes no tab.
int UserTabTarget(const QTabWidget* tabs, const QObject* watched, const QEvent* event)
{
    const QTabBar* bar = tabs->tabBar();
    const int current = tabs->currentIndex();
    if (watched == bar) {
        if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick) {
            const auto* mouse = static_cast<const QMouseEvent*>(event);
            return mouse->button() == Qt::LeftButton ? bar->tabAt(mouse->position().toPoint()) : -1;
        }
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<const QKeyEvent*>(event)->key();
            if (key != Qt::Key_Left && key != Qt::Key_Right)
                return -1;
            const bool back = (key == Qt::Key_Left) != bar->isRightToLeft();
            return NextEnabledTab(bar, current, back ? -1 : 1, false);
        }
    }
    if (watched == tabs && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<const QKeyEvent*>(event);
        const bool tabKey = key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab;
        if (!tabKey || !(key->modifiers() & Qt::ControlModifier) || bar->count() < 2)
            return -1;
        const bool back = key->key() == Qt::Key_Backtab || (key->modifiers() & Qt::ShiftModifier);
        return NextEnabledTab(bar, current, back ? -1 : 1, true);
    }
    return -1;
}

// Each failing test replaces the message, so the one shown is that of the last failing test.
void Require(QString& message, bool ok, const char* text)
{
    if (!ok)
        message = QString::fromLatin1(text);
}

bool IsFile(const QString& path) { return !path.isEmpty() && QFileInfo(path).isFile(); }

bool HasLocalFile(const QMimeData* data)
{
    return data && data->hasUrls() && !data->urls().isEmpty() && data->urls().first().isLocalFile();
}

} // namespace

void TForm1::ConnectExtrasHandlers()
{
    QTabBar* bar = PageControl9->tabBar();
    auto tabCheck = [this](QObject* watched, QEvent* event) {
        // A wheel turn over the tabs would change the page without the check; tabs change by click or key.
        if (watched == PageControl9->tabBar() && event->type() == QEvent::Wheel)
            return true;
        const int target = UserTabTarget(PageControl9, watched, event);
        if (target < 0 || target == PageControl9->currentIndex() || !PageControl9->isTabEnabled(target))
            return false;
        bool allow = true;
        Guarded([&] { PageControl9Changing(PageControl9, allow); });
        return !allow;
    };
    TEventTap::Install(bar, tabCheck);
    TEventTap::Install(PageControl9, tabCheck);

    TEventTap::Install(Label6, [this](QObject*, QEvent* event) {
        if (event->type() == QEvent::MouseButtonPress) {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            Guarded([&] { Label6MouseDown(mouse->button(), mouse->modifiers()); });
        }
        return false;
    });
    connect(cbDebug, &QCheckBox::toggled, this, [this] { Guarded([this] { cbDebugClick(); }); });

    TEventTap::Install(Label5, [this](QObject*, QEvent* event) {
        if (event->type() == QEvent::Enter)
            Guarded([this] { Label5MouseEnter(); });
        if (event->type() == QEvent::Leave)
            Guarded([this] { Label5MouseLeave(); });
        if (event->type() != QEvent::MouseButtonRelease)
            return false;
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton && Label5->rect().contains(mouse->position().toPoint()))
            Guarded([this] { Label5Click(); });
        return false;
    });

    connect(btnHelp, &QPushButton::clicked, this, [this] { Guarded([this] { btnHelpClick(); }); });
    connect(btnFeedBack, &QPushButton::clicked, this, [this] { Guarded([this] { btnFeedBackClick(); }); });
    connect(PageControl9, &QTabWidget::currentChanged, this, [this] {
        if (PageControl9->currentWidget() == TsSystem)
            Guarded([this] { TsSystemShow(); });
    });

    // Files may land on the window itself or on the page view, which would otherwise paste their names.
    auto dropTap = [this](QObject*, QEvent* event) {
        switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto* drag = static_cast<QDragMoveEvent*>(event);
            if (!HasLocalFile(drag->mimeData()))
                return false;
            drag->acceptProposedAction();
            return true;
        }
        case QEvent::Drop: {
            auto* drop = static_cast<QDropEvent*>(event);
            bool handled = false;
            Guarded([&] { handled = WMDropFiles(drop->mimeData()); });
            if (handled)
                drop->acceptProposedAction();
            return handled;
        }
        default:
            return false;
        }
    };
    TEventTap::Install(this, dropTap);
    TEventTap::Install(RichEdit1->viewport(), dropTap);
}

void TForm1::PageControl9Changing(QObject*, bool& AllowChange)
{
    AllowChange = true;
    const QWidget* leaving = PageControl9->currentWidget();

    QString message;
    if (cbFTP->isChecked() && leaving == TsFTP) {
        Require(message, !RemoteHost->text().isEmpty(), "Remote Host needs to be specified.");
        Require(message, !Username->text().isEmpty(), "Username needs to be specified.");
        Require(message, !Password->text().isEmpty(), "Password needs to be specified.");
        Require(message, IsFile(edLocalFile->text()), "Local file does not exist.");
        Require(message, !edRemote->text().isEmpty(), "A remote filename needs to be specified.");
        if (!message.isEmpty()) {
            dialogs_.ShowMessage(message);
            AllowChange = false;
        }
    }

    message.clear();
    if (cbWebMail->isChecked() && leaving == TsMail) {
        Require(message, !edWebTo->text().isEmpty(), "A To: address needs to be specified.");
        Require(message, !edWebSMTP->text().isEmpty(), "An SMTP server needs to be specified.");
        if (cboxWebAuth->isChecked()) {
            Require(message, !edWebUser->text().isEmpty(), "Username needs to be specified.");
            Require(message, !edWebPass->text().isEmpty(), "Password needs to be specified.");
        }
        if (!message.isEmpty()) {
            dialogs_.ShowMessage(message);
            AllowChange = false;
        }
    }

    if (btnWebEdit->isEnabled() && leaving == TsTest) {
        const QPoint at = frameGeometry().topLeft() + kQuestionOffset;
        if (ListBox5->count() == 0) {
            if (dialogs_.ConfirmYesNo(QStringLiteral("Data has changed. Add to user-defined?"), at))
                btnAddClick();
        } else if (dialogs_.ConfirmYesNo(QStringLiteral("Data has changed. Apply changes?"), at)) {
            btnWebEditClick();
        }
    }
}

void TForm1::Label6MouseDown(Qt::MouseButton, Qt::KeyboardModifiers Shift)
{
    cbDebug->setChecked(Shift & (Qt::ShiftModifier | Qt::ControlModifier));
}

void TForm1::cbDebugClick()
{
    const bool on = cbDebug->isChecked();
    CheckListBox5->setVisible(on);
    CheckListBox6->setVisible(on);
    Panel4->setVisible(on);
}

void TForm1::btnHelpClick()
{
    std::error_code ignored;
    if (std::filesystem::is_regular_file(Paths.HelpFile, ignored)) {
        dialogs_.OpenUrl(QUrl::fromLocalFile(QString::fromStdString(Paths.HelpFile.string())).toString());
        return;
    }
    dialogs_.ShowMessage(QString::fromLatin1(kHelpMissing) + QStringLiteral("\r\n\r\n") +
                         QString::fromLatin1(kProductNotice));
}

void TForm1::Label5Click() { dialogs_.OpenUrl(Label5->text()); }

// The label's own cursor rather than the application's, so no pointer shape outlives a missed leave.
void TForm1::Label5MouseEnter() { Label5->setCursor(Qt::PointingHandCursor); }

void TForm1::Label5MouseLeave() { Label5->unsetCursor(); }

bool TForm1::WMDropFiles(const QMimeData* files)
{
    // Only the first dropped item counts, and only when it is a local file.
    if (!HasLocalFile(files))
        return false;
    RichEdit1->setPlainText(QDir::toNativeSeparators(files->urls().first().toLocalFile()));
    return true;
}

void TForm1::TsSystemShow()
{
    btnFeedBack->setEnabled(!edURL->text().isEmpty() && !edChartoSkip->text().isEmpty() &&
                            !edKeyword->text().isEmpty());
}

void TForm1::btnFeedBackClick()
{
    if (!Form2)
        return;
    Form2->move(frameGeometry().topLeft() + kFeedbackOffset);
    Form2->exec();
}
