#pragma once

#include <QObject>
#include <functional>

// Lets a handler see another object's events without subclassing it; the handler returns true to stop
// the event there. Owned by the object it watches.
class TEventTap : public QObject {
public:
    using THandler = std::function<bool(QObject* watched, QEvent* event)>;

    static TEventTap* Install(QObject* watched, THandler handler);
    // Removes every tap on root and its descendants. A window whose taps call back into it does this in
    // its destructor: the base destructor still sends events to the children (hide, deactivation) after
    // the window's own members are gone.
    static void RemoveAll(QObject* root);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TEventTap(QObject* watched, THandler handler);
    THandler handler_;
};
