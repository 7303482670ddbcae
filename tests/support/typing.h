#pragma once

// Typing as a keyboard with any characters would: QTest::keyClicks takes Latin-1 only.

#include <QApplication>
#include <QKeyEvent>
#include <QString>
#include <QWidget>

namespace pos::testing {

// One key press and release per character (a character outside the basic plane is one key).
inline void typeText(QWidget *widget, const QString &text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype length = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QString key = text.mid(i, length);
        i += length - 1;
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, key);
        QApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, key);
        QApplication::sendEvent(widget, &release);
    }
}

} // namespace pos::testing
