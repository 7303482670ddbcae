#include "platform/keyboard.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMenuBar>
#include <QPointer>
#include <QProxyStyle>
#include <QShortcut>

namespace pos {

namespace {

// Watches every key of the application: drops the letters typed with Alt, and follows the Alt
// key for the menu bars' underlines.
class AltKeys final : public QObject
{
public:
    using QObject::QObject;

    static AltKeys &instance()
    {
        static QPointer<AltKeys> keys;
        if (!keys) {
            keys = new AltKeys(qApp);
            qApp->installEventFilter(keys);
        }
        return *keys;
    }

    bool altHeld() const { return m_altHeld; }
    void watch(QMenuBar *bar) { m_bars.append(bar); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease: {
            const auto *key = static_cast<QKeyEvent *>(event);
            if (key->key() == Qt::Key_Alt)
                setAltHeld(event->type() == QEvent::KeyPress);
            // A key press reaches a widget only when no shortcut took it: a letter with Alt
            // (and no Ctrl, which makes it AltGr on Windows) is then no one's.
            const Qt::KeyboardModifiers modifiers = key->modifiers();
            return event->type() == QEvent::KeyPress && watched->isWidgetType() && (modifiers & Qt::AltModifier)
                   && !(modifiers & Qt::ControlModifier) && !key->text().isEmpty() && key->text().front().isPrint();
        }
        case QEvent::ApplicationDeactivate:
            setAltHeld(false);
            return false;
        default:
            return false;
        }
    }

private:
    void setAltHeld(bool held)
    {
        if (held == m_altHeld)
            return;
        m_altHeld = held;
        m_bars.removeAll(nullptr);
        for (QMenuBar *bar : std::as_const(m_bars))
            bar->update();
    }

    bool m_altHeld = false;
    QList<QPointer<QMenuBar>> m_bars;
};

// The application's style, with access keys underlined only while Alt is held or the bar is
// in use, and Alt alone reaching the bar.
class AccessKeyStyle final : public QProxyStyle
{
public:
    int styleHint(StyleHint hint, const QStyleOption *option, const QWidget *widget,
                  QStyleHintReturn *returned) const override
    {
        if (hint == SH_UnderlineShortcut) {
            const auto *bar = qobject_cast<const QMenuBar *>(widget);
            return AltKeys::instance().altHeld() || (bar && bar->activeAction());
        }
        if (hint == SH_MenuBar_AltKeyNavigation)
            return 1;
        return QProxyStyle::styleHint(hint, option, widget, returned);
    }
};

} // namespace

void installAltKeyGuard()
{
    AltKeys::instance();
}

void useAccessKeys(QMenuBar *bar)
{
    installAltKeyGuard();
    static QPointer<AccessKeyStyle> style;
    if (!style) {
        style = new AccessKeyStyle;
        style->setParent(qApp);
    }
    bar->setStyle(style);
    AltKeys::instance().watch(bar);
    auto *f10 = new QShortcut(QKeySequence(Qt::Key_F10), bar->window());
    QObject::connect(f10, &QShortcut::activated, bar, [bar] {
        const QList<QAction *> menus = bar->actions();
        if (!menus.isEmpty())
            bar->setActiveAction(menus.constFirst());
    });
}

} // namespace pos
