#include "PageView.h"

#include <QPlainTextEdit>
#include <QScopedValueRollback>
#include <QTextCursor>
#include <QTextDocument>

namespace {

QString WithNewlines(QString text)
{
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    return text;
}

std::string Utf8(const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

int Position(std::size_t unit) { return static_cast<int>(unit); }

} // namespace

TPageView::TPageView(QPlainTextEdit* view, QObject* parent) : QObject(parent), view_(view)
{
    connect(view_, &QPlainTextEdit::textChanged, this, [this] { ViewEdited(); });
}

void TPageView::SetPage(std::string bytes)
{
    TPageText page(std::move(bytes));
    {
        const QScopedValueRollback setting(setting_, true);
        // Taken unit for unit: the UTF-16 decoder would drop a leading byte order mark and shift every offset.
        const std::u16string& text = page.ViewText();
        view_->setPlainText(QString(reinterpret_cast<const QChar*>(text.data()), static_cast<qsizetype>(text.size())));
    }
    page_ = std::move(page);
    stale_ = false;
}

void TPageView::Clear() { SetPage({}); }

const TPageText& TPageView::Page() const
{
    if (stale_) {
        // The raw text keeps every character as shown (toPlainText would turn no-break spaces into blanks).
        page_ = TPageText(Utf8(WithNewlines(view_->document()->toRawText())));
        stale_ = false;
    }
    return page_;
}

bool TPageView::IsEmpty() const { return view_->document()->isEmpty(); }

bool TPageView::HasSelection() const { return view_->textCursor().hasSelection(); }

TByteRange TPageView::Selection() const
{
    const QTextCursor cursor = view_->textCursor();
    const auto start = static_cast<std::size_t>(cursor.selectionStart());
    const auto end = static_cast<std::size_t>(cursor.selectionEnd());
    return Page().ViewToPage(TViewRange{start, end - start});
}

void TPageView::Select(TByteRange range)
{
    const TViewRange units = Page().PageToView(range);
    QTextCursor cursor = view_->textCursor();
    cursor.setPosition(Position(units.Start));
    cursor.setPosition(Position(units.End()), QTextCursor::KeepAnchor);
    view_->setTextCursor(cursor);
    view_->ensureCursorVisible();
}

void TPageView::CollapseToStart()
{
    QTextCursor cursor = view_->textCursor();
    cursor.setPosition(cursor.selectionStart());
    view_->setTextCursor(cursor);
}

QString TPageView::SelectedText() const { return WithNewlines(view_->textCursor().selectedText()); }
