#pragma once

#include <QList>
#include <QObject>
#include <QPointer>

class QWidget;

namespace kestrune::app {

// Holds a set of controls disabled while a network action runs. What the window asks of them meanwhile is
// remembered, disabling a control already held off included, so each ends in the state last asked for.
class BusyGate : public QObject {
    Q_OBJECT
public:
    explicit BusyGate(QObject* parent = nullptr);

    void add(QWidget* control);
    bool busy() const { return m_busy; }
    void setBusy(bool busy);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void holdOff(QWidget* control);

    QList<QPointer<QWidget>> m_controls;
    bool m_busy = false;
    bool m_applying = false; // the gate itself changes a control
};

} // namespace kestrune::app
