#include "BusyGate.h"

#include <QEvent>
#include <QWidget>

namespace kestrune::app {

// The gate disables a control the way a disabled parent would: Qt's explicit state (WA_ForceDisabled, set and
// cleared by every setEnabled call) stays the window's alone, so even a setEnabled(false) that changes nothing
// on a control held off is kept, and the end of the wait gives each control the state last asked for.

BusyGate::BusyGate(QObject* parent) : QObject(parent) {}

void BusyGate::add(QWidget* control)
{
    m_controls.append(control);
    control->installEventFilter(this);
    // A control made during a wait (a tab first opened) is held off as those made before it.
    if (m_busy && control->isEnabled())
        holdOff(control);
}

void BusyGate::holdOff(QWidget* control)
{
    m_applying = true;
    control->setEnabled(false);
    control->setAttribute(Qt::WA_ForceDisabled, false);
    m_applying = false;
}

void BusyGate::setBusy(bool busy)
{
    if (busy == m_busy)
        return;
    m_busy = busy;
    for (const QPointer<QWidget>& control : std::as_const(m_controls)) {
        if (!control)
            continue;
        if (busy) {
            if (control->isEnabled())
                holdOff(control);
        } else {
            m_applying = true;
            control->setEnabled(!control->testAttribute(Qt::WA_ForceDisabled));
            m_applying = false;
        }
    }
}

bool BusyGate::eventFilter(QObject* watched, QEvent* event)
{
    // The window enabled a control during the wait: wanted, but held off until the wait ends.
    if (event->type() == QEvent::EnabledChange && m_busy && !m_applying) {
        auto* control = static_cast<QWidget*>(watched);
        if (control->isEnabled())
            holdOff(control);
    }
    return QObject::eventFilter(watched, event);
}

} // namespace kestrune::app
