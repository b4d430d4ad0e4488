#include "PageView.h"

#include <QPlainTextEdit>
#include <QScopedValueRollback>
#include <QTextCursor>
#include <QTextDocument>

using namespace kestrune::lookup;

namespace kestrune::app {

namespace {

QString withNewlines(QString text)
{
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    return text;
}

std::string utf8(const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

int position(std::size_t unit) { return static_cast<int>(unit); }

} // namespace

PageView::PageView(QPlainTextEdit* view, QObject* parent) : QObject(parent), m_view(view)
{
    connect(m_view, &QPlainTextEdit::textChanged, this, [this] { viewEdited(); });
}

void PageView::setPage(std::string bytes)
{
    PageText page(std::move(bytes));
    {
        const QScopedValueRollback setting(m_setting, true);
        // Taken unit for unit: the UTF-16 decoder would drop a leading byte order mark and shift every offset.
        const std::u16string& text = page.viewText();
        m_view->setPlainText(QString(reinterpret_cast<const QChar*>(text.data()), static_cast<qsizetype>(text.size())));
    }
    m_page = std::move(page);
    m_stale = false;
}

void PageView::clear() { setPage({}); }

const PageText& PageView::page() const
{
    if (m_stale) {
        // The raw text keeps every character as shown (toPlainText would turn no-break spaces into blanks).
        m_page = PageText(utf8(withNewlines(m_view->document()->toRawText())));
        m_stale = false;
    }
    return m_page;
}

bool PageView::isEmpty() const { return m_view->document()->isEmpty(); }

bool PageView::hasSelection() const { return m_view->textCursor().hasSelection(); }

ByteRange PageView::selection() const
{
    const QTextCursor cursor = m_view->textCursor();
    const auto start = static_cast<std::size_t>(cursor.selectionStart());
    const auto end = static_cast<std::size_t>(cursor.selectionEnd());
    return page().viewToPage(ViewRange{start, end - start});
}

void PageView::select(ByteRange range)
{
    const ViewRange units = page().pageToView(range);
    QTextCursor cursor = m_view->textCursor();
    cursor.setPosition(position(units.start));
    cursor.setPosition(position(units.end()), QTextCursor::KeepAnchor);
    m_view->setTextCursor(cursor);
    m_view->ensureCursorVisible();
}

void PageView::collapseToStart()
{
    QTextCursor cursor = m_view->textCursor();
    cursor.setPosition(cursor.selectionStart());
    m_view->setTextCursor(cursor);
}

QString PageView::selectedText() const { return withNewlines(m_view->textCursor().selectedText()); }

} // namespace kestrune::app
