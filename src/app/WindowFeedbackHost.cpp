#include "WindowFeedbackHost.h"

#include "Dialogs.h"
#include "MainWindow.h"
#include "PageInspectorTab.h"
#include "UserLookupsTab.h"
#include "Utf8Text.h"

#include <QLineEdit>

namespace kestrune::app {

feedback::LookupFields WindowFeedbackHost::lookupFields() const
{
    return {toBytes(m_window.userLookupsTab()->urlEdit()->text()),
            toBytes(m_window.pageInspectorTab()->keywordEdit()->text()),
            toBytes(m_window.pageInspectorTab()->skipEdit()->text())};
}

bool WindowFeedbackHost::openMailLink(const std::string& link) { return m_dialogs.openUrl(toQString(link)); }

void WindowFeedbackHost::showMessage(const std::string& text) { m_dialogs.showMessage(toQString(text)); }

void WindowFeedbackHost::copyToClipboard(const std::string& text) { m_dialogs.writeClipboard(toQString(text)); }

} // namespace kestrune::app
