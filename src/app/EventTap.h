#pragma once

#include <QObject>
#include <functional>

// Lets a handler see another object's events without subclassing it; the handler returns true to stop
// the event there. Owned by the object it watches.
class TEventTap : public QObject {
public:
    using THandler = std::function<bool(QObject* watched, QEvent* event)>;

    static TEventTap* Install(QObject* watched, THandler handler);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TEventTap(QObject* watched, THandler handler);
    THandler handler_;
};
