#include "Form1.h"

#include "FindDialog.h"
#include "Inspector.h"
#include "LookupTexts.h"
#include "PageView.h"
#include "SelectionCode.h"
#include "Utf8Text.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>

namespace {

void OnTrigger(TForm1* form, QAction* action, void (TForm1::*handler)())
{
    QObject::connect(action, &QAction::triggered, form, [form, handler] { form->Guarded([=] { (form->*handler)(); }); });
}

void OnClick(TForm1* form, QPushButton* button, void (TForm1::*handler)())
{
    QObject::connect(button, &QPushButton::clicked, form, [form, handler] { form->Guarded([=] { (form->*handler)(); }); });
}

} // namespace

void TForm1::ConnectInspectorHandlers()
{
    pageView_ = new TPageView(RichEdit1, this);
    FindDialog1 = new TFindDialog(this);
    connect(FindDialog1, &TFindDialog::Find, this, [this] { Guarded([this] { FindDialog1Find(); }); });

    OnClick(this, btnGetPage, &TForm1::btnGetPageClick);
    OnClick(this, btnMarkIP, &TForm1::btnMarkIPClick);
    OnClick(this, btnKeyWord, &TForm1::MarkKeyClick);
    OnClick(this, btnAuto, &TForm1::btnAutoClick);
    OnClick(this, btnFind, &TForm1::Find1Click);
    connect(btnMarkIP, &QPushButton::pressed, this, [this] { Guarded([this] { Memo3MouseUp(); }); });

    OnTrigger(this, MarkIPAddress1, &TForm1::btnMarkIPClick);
    OnTrigger(this, MarkKeywords1, &TForm1::MarkKeyClick);
    OnTrigger(this, Find1, &TForm1::Find1Click);
    OnTrigger(this, Cut1, &TForm1::Cut1Click);
    OnTrigger(this, Copy1, &TForm1::Copy1Click);
    OnTrigger(this, Paste1, &TForm1::Paste1Click);
    OnTrigger(this, SelectAll1, &TForm1::SelectAll1Click);
    connect(PopupMenu2, &QMenu::aboutToShow, this, [this] { Guarded([this] { PopupMenu2Popup(); }); });
    // The view's own keys already cut, copy, paste and select all; Ctrl+F is the menu's.
    Find1->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    RichEdit1->addAction(Find1);

    // The mark buttons follow the selection however it was made, with the mouse or the keys.
    connect(RichEdit1, &QPlainTextEdit::selectionChanged, this, [this] { Guarded([this] { Memo3MouseUp(); }); });
    connect(RichEdit1, &QPlainTextEdit::textChanged, this, [this] { Guarded([this] { RichEdit1Change(); }); });
    connect(edChartoSkip, &QLineEdit::textChanged, this, [this] { Guarded([this] { RichEdit1Change(); }); });
    connect(edIPAddress, &QLineEdit::textChanged, this, [this] { Guarded([this] { TsTestShow(); }); });
    connect(PageControl9, &QTabWidget::currentChanged, this, [this] {
        if (PageControl9->currentWidget() == TsTest)
            Guarded([this] { TsTestShow(); });
    });
}

void TForm1::ApplyMarkState()
{
    const bool selected = pageView_->HasSelection();
    if (ipMark_ != 0) {
        btnKeyWord->setEnabled(selected);
        MarkKeywords1->setEnabled(selected);
    } else {
        // Without a marked address a keyword has no distance to count.
        btnKeyWord->setEnabled(false);
        MarkKeywords1->setEnabled(false);
        btnMarkIP->setEnabled(selected);
        MarkIPAddress1->setEnabled(selected);
    }
}

void TForm1::UpdateFeedbackButton()
{
    // The form sends exactly these three, so it is offered once they are all there.
    btnFeedBack->setEnabled(!edURL->text().isEmpty() && !edChartoSkip->text().isEmpty() &&
                            !edKeyword->text().isEmpty());
}

void TForm1::TsTestShow()
{
    const bool pageShown = !pageView_->IsEmpty();
    btnAuto->setEnabled(!edIPAddress->text().isEmpty());
    btnFind->setEnabled(pageShown);
    Find1->setEnabled(pageShown);
    btnMarkIP->setEnabled(pageView_->HasSelection());
    btnTest->setEnabled(!edKeyword->text().isEmpty() && !edChartoSkip->text().isEmpty() && pageShown);
    UpdateFeedbackButton();
    btnGetPage->setEnabled(!edURL->text().isEmpty() && rbUserDefined->isChecked());
    btnKeyWord->setEnabled(pageShown);
    NetHTTP1.Request.Username = Bytes(edWebUsername->text());
    NetHTTP1.Request.Password = Bytes(edWebPassword->text());
}

void TForm1::RichEdit1Change()
{
    const bool pageShown = !pageView_->IsEmpty();
    btnFind->setEnabled(pageShown);
    Find1->setEnabled(pageShown);
    ApplyMarkState();
    btnTest->setEnabled(!edKeyword->text().isEmpty() && !edChartoSkip->text().isEmpty() && pageShown);
    UpdateFeedbackButton();
    btnAdd->setEnabled(!edChartoSkip->text().isEmpty());
    btnGetIP->setEnabled(!edURL->text().isEmpty() && !edChartoSkip->text().isEmpty() &&
                         !edKeyword->text().isEmpty());
    if (!loadingRow_ && EditsEnableApply(SelectedRouter))
        btnWebEdit->setEnabled(true);
}

void TForm1::Memo3MouseUp() { ApplyMarkState(); }

void TForm1::PopupMenu2Popup()
{
    const bool selected = pageView_->HasSelection();
    const bool pageShown = !pageView_->IsEmpty();
    Paste1->setEnabled(dialogs_.ClipboardHasText());
    Cut1->setEnabled(selected);
    Copy1->setEnabled(selected);
    SelectAll1->setEnabled(pageShown);
    Find1->setEnabled(pageShown);
    MarkKeywords1->setEnabled(false);
    ApplyMarkState();
}

void TForm1::FetchIntoPageView()
{
    if (cbWebAuth->isChecked()) {
        NetHTTP1.Request.Username = Bytes(edWebUsername->text());
        NetHTTP1.Request.Password = Bytes(edWebPassword->text());
    }
    std::string body;
    try {
        // Holds off scheduled checks: the client serves one request at a time.
        const TFlagScope scope(checkRunning_);
        NetHTTP1.Get("http://" + Bytes(edURL->text()), body);
    } catch (const std::exception&) {
        dialogs_.ShowMessage(Text(LookupText::UnableToConnect));
    }
    pageView_->SetPage(std::move(body));
}

bool TForm1::FindInPageView(const QString& text)
{
    const std::optional<TByteRange> hit = FindNext(pageView_->Page(), Bytes(text), pageView_->Selection());
    if (!hit)
        return false;
    RichEdit1->setFocus();
    pageView_->Select(*hit);
    btnMarkIP->setEnabled(true);
    return true;
}

void TForm1::btnGetPageClick()
{
    if (CheckRunning()) {
        dialogs_.Beep();
        return;
    }
    pageView_->Clear();
    edKeyword->clear();
    edChartoSkip->clear();
    FetchIntoPageView();
    const QString address = edIPAddress->text();
    if (!address.isEmpty()) {
        FindInPageView(address);
        ipMark_ = pageView_->Selection().Start;
        // The buttons follow the new mark, not the one the search ran under.
        ApplyMarkState();
    }
}

void TForm1::btnMarkIPClick()
{
    ipMark_ = pageView_->Selection().Start;
    btnTest->setEnabled(false);
    RichEdit1->setFocus();
    pageView_->CollapseToStart();
}

void TForm1::MarkKeyClick()
{
    // Without a selection there is no keyword, and without a marked address no distance to count.
    if (!pageView_->HasSelection() || ipMark_ == 0) {
        dialogs_.Beep();
        return;
    }
    const TMarkKeywordResult result = MarkKeyword(pageView_->Page(), pageView_->Selection(), ipMark_);
    switch (result.Kind) {
    case TMarkKeywordResult::NotUnique:
        pageView_->Select(result.Earlier);
        dialogs_.ShowMessage(Text(LookupText::KeywordNotUnique));
        break;
    case TMarkKeywordResult::NotText:
        dialogs_.ShowMessage(Text(LookupText::KeywordNotText));
        break;
    case TMarkKeywordResult::Marked:
        edKeyword->setText(Text(result.Keyword));
        edChartoSkip->setText(QString::number(result.CharToSkip));
        break;
    case TMarkKeywordResult::Empty:
        dialogs_.Beep();
        break;
    }
}

void TForm1::btnAutoClick()
{
    if (!rbUserDefined->isChecked()) {
        dialogs_.ShowMessage(Text(LookupText::NeedUserDefined));
        return;
    }
    const bool debugView = cbDebug->isChecked();
    QString address;
    if (debugView) {
        btnTest->setEnabled(false);
    } else {
        if (CheckRunning()) {
            dialogs_.Beep();
            return;
        }
        address = edIPAddress->text();
        FetchIntoPageView();
    }
    const TAutoResult result = AutoKeyword(pageView_->Page(), Bytes(address), pageView_->Selection());
    ipMark_ = result.IPMark;
    ApplyMarkState();
    if (!result.Found) {
        // A found address stays selected; the user can still pick a keyword by hand.
        const std::string wanted = Bytes(address);
        if (!wanted.empty() && pageView_->Page().Bytes().compare(ipMark_, wanted.size(), wanted) == 0)
            pageView_->Select(TByteRange{ipMark_, wanted.size()});
        dialogs_.ShowMessage(Text(result.Message));
        return;
    }
    pageView_->Select(result.Window);
    edKeyword->setText(Text(result.Keyword));
    edChartoSkip->setText(QString::number(result.CharToSkip));
    if (debugView)
        dialogs_.ShowMessage(QString());
    else
        btnTestClick(this);
}

void TForm1::Find1Click()
{
    FindDialog1->SetFindText(edIPAddress->text());
    FindDialog1->show();
    FindDialog1->raise();
    FindDialog1->activateWindow();
}

void TForm1::FindDialog1Find() { FindInPageView(FindDialog1->FindText()); }

void TForm1::Cut1Click()
{
    if (!pageView_->HasSelection())
        return;
    dialogs_.WriteClipboard(pageView_->SelectedText());
    RichEdit1->textCursor().removeSelectedText();
}

void TForm1::Copy1Click()
{
    if (pageView_->HasSelection())
        dialogs_.WriteClipboard(pageView_->SelectedText());
}

void TForm1::Paste1Click()
{
    const QString text = dialogs_.ReadClipboard();
    if (!text.isEmpty())
        RichEdit1->insertPlainText(text);
}

void TForm1::SelectAll1Click() { RichEdit1->selectAll(); }
