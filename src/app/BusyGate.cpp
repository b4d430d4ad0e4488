#include "BusyGate.h"

#include <QEvent>
#include <QWidget>

namespace kestrune::app {

BusyGate::BusyGate(QObject* parent) : QObject(parent) {}

void BusyGate::add(QWidget* control)
{
    m_controls.append(control);
    control->installEventFilter(this);
}

void BusyGate::setBusy(bool busy)
{
    if (busy == m_busy)
        return;
    m_applying = true;
    for (const QPointer<QWidget>& control : std::as_const(m_controls)) {
        if (!control)
            continue;
        if (busy) {
            m_wanted[control] = control->isEnabled();
            control->setEnabled(false);
        } else {
            control->setEnabled(m_wanted.value(control, true));
        }
    }
    m_busy = busy;
    m_applying = false;
}

bool BusyGate::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::EnabledChange && m_busy && !m_applying) {
        auto* control = static_cast<QWidget*>(watched);
        m_wanted[watched] = control->isEnabled();
        if (control->isEnabled()) {
            m_applying = true;
            control->setEnabled(false);
            m_applying = false;
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace kestrune::app
