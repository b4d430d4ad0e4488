#pragma once

#include "PageText.h"

#include <QObject>
#include <QString>
#include <string>

class QPlainTextEdit;

namespace kestrune::app {

// The page view over a fetched page. The view shows the page's view text, so its cursor positions
// are view units; selections are carried to and from the page's byte offsets, the unit the lookup counts.
// An edit by the user makes the edited text the page.
class PageView : public QObject {
public:
    PageView(QPlainTextEdit* view, QObject* parent);

    void setPage(std::string bytes);
    void clear();
    const lookup::PageText& page() const;
    bool isEmpty() const;

    bool hasSelection() const;
    lookup::ByteRange selection() const;
    // Selects the bytes (widened to whole view characters) and scrolls them into sight.
    void select(lookup::ByteRange range);
    void collapseToStart();
    // The selected text with line breaks as "\n".
    QString selectedText() const;

private:
    void viewEdited() { m_stale = !m_setting; }

    QPlainTextEdit* m_view;
    mutable lookup::PageText m_page;
    mutable bool m_stale = false;
    bool m_setting = false;
};

} // namespace kestrune::app
