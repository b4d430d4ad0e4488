#pragma once

#include "PageText.h"

#include <QObject>
#include <QString>
#include <string>

class QPlainTextEdit;

// The page view RichEdit1 over a fetched page. The view shows the page's view text, so its cursor positions
// are view units; selections are carried to and from the page's byte offsets, the unit the lookup counts.
// An edit by the user makes the edited text the page.
class TPageView : public QObject {
public:
    TPageView(QPlainTextEdit* view, QObject* parent);

    void SetPage(std::string bytes);
    void Clear();
    const TPageText& Page() const;
    bool IsEmpty() const;

    bool HasSelection() const;
    TByteRange Selection() const;
    // Selects the bytes (widened to whole view characters) and scrolls them into sight.
    void Select(TByteRange range);
    void CollapseToStart();
    // The selected text with line breaks as "\n".
    QString SelectedText() const;

private:
    void ViewEdited() { stale_ = !setting_; }

    QPlainTextEdit* view_;
    mutable TPageText page_;
    mutable bool stale_ = false;
    bool setting_ = false;
};
