#pragma once

#include "LocalPage.h"
#include "WindowFixture.h"
#include "SpinBox.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFocusEvent>
#include <QLineEdit>
#include <QRadioButton>
#include <QString>

// Steps the window tests share: the lookup pointed at a page, scheduler ticks, leaving the interval box.

// The user-defined lookup pointed at a page address ("127.0.0.1:<port>/..."), reading after the keyword.
inline void useUserDefinedPage(kestrune::app::MainWindow& form, const QString& address)
{
    form.userLookupsTab()->userDefinedRadio()->setChecked(true);
    form.userLookupsTab()->urlEdit()->setText(address);
    form.pageInspectorTab()->keywordEdit()->setText(QStringLiteral("WAN IP:"));
    form.pageInspectorTab()->skipEdit()->setText(QStringLiteral("0"));
}

// Scheduler ticks, each caught at the window's edge as the timer's would be.
inline void ticks(kestrune::app::MainWindow& form, int count)
{
    for (int i = 0; i < count; ++i)
        form.guarded([&] { form.onTimer(kestrune::core::TimerId::Minute); });
}

inline void leaveIntervalBox(kestrune::app::MainWindow& form)
{
    QFocusEvent leave(QEvent::FocusOut, Qt::TabFocusReason);
    QCoreApplication::sendEvent(form.systemTab()->intervalSpin(), &leave);
}

// A router status page that shows address (an empty address leaves none for the lookup to find).
inline std::string statusPage(const QString& address)
{
    return "<html><body>WAN IP: " + address.toStdString() + " Mask</body></html>";
}

// The address as "Get IP" finds it on page.
inline void findAddress(kestrune::app::MainWindow& form, const LocalPage& page, const QString& address)
{
    page.setBody(statusPage(address));
    useUserDefinedPage(form, page.address());
    form.onTestLookupClicked();
}

// One check in manual mode ("Update"): the lookup of page showing address, then the change actions when the
// address differs from the last upload.
inline void checkOnce(kestrune::app::MainWindow& form, const LocalPage& page, const QString& address)
{
    form.systemTab()->intervalSpin()->setValue(0);
    page.setBody(statusPage(address));
    useUserDefinedPage(form, page.address());
    form.guarded([&] { form.onStartClicked(); });
}

// What the monitor published last, as the window would show it.
inline QString lastUploaded(kestrune::app::MainWindow& form) { return QString::fromStdString(form.monitor().lastUploaded()); }
inline QString lastMailed(kestrune::app::MainWindow& form) { return QString::fromStdString(form.monitor().lastMailed()); }
inline QString lastSaved(kestrune::app::MainWindow& form) { return QString::fromStdString(form.monitor().lastSaved()); }
inline QString lastLogged(kestrune::app::MainWindow& form) { return QString::fromStdString(form.monitor().lastLogged()); }

// The port of a page address ("127.0.0.1:<port>/status.htm").
inline QString portOf(const QString& address) { return address.section(QLatin1Char(':'), 1).section('/', 0, 0); }
inline uint16_t portNumberOf(const QString& address) { return static_cast<uint16_t>(portOf(address).toInt()); }
