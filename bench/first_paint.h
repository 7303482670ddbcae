#pragma once

// The benchmarks that time a start-up to the first paint of a window.

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QTimer>

namespace pos::bench {

// Quits the application at the first paint of the widget it watches (as an event filter).
class FirstPaint : public QObject
{
public:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        return false;
    }
};

} // namespace pos::bench
