#include "app/automation.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAccessible>
#include <QAccessibleInterface>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMetaObject>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <iostream>
#include <string>

namespace pos {

namespace {

QWidget *findWindow(const QString &name)
{
    for (QWidget *window : QApplication::topLevelWidgets()) {
        if (window->objectName() == name)
            return window;
    }
    return nullptr;
}

// "Form1.Command2": the control of the window, or the window itself for "Form1".
QObject *findObject(const QString &path, QString &error)
{
    const QString windowName = path.section(QLatin1Char('.'), 0, 0);
    const QString controlName = path.section(QLatin1Char('.'), 1);
    QWidget *window = findWindow(windowName);
    if (!window) {
        error = QStringLiteral("no window %1").arg(windowName);
        return nullptr;
    }
    if (controlName.isEmpty())
        return window;
    QObject *control = window->findChild<QObject *>(controlName);
    if (!control)
        error = QStringLiteral("no control %1").arg(path);
    return control;
}

QString textOf(QObject *object)
{
    if (auto *line = qobject_cast<QLineEdit *>(object))
        return line->text();
    if (auto *combo = qobject_cast<QComboBox *>(object))
        return combo->currentText();
    if (auto *plain = qobject_cast<QPlainTextEdit *>(object))
        return plain->toPlainText();
    if (auto *label = qobject_cast<QLabel *>(object))
        return label->text();
    if (auto *button = qobject_cast<QAbstractButton *>(object))
        return button->isCheckable() ? QString::number(button->isChecked() ? 1 : 0) : button->text();
    if (auto *view = qobject_cast<QAbstractItemView *>(object)) {
        QStringList rows;
        const QAbstractItemModel *model = view->model();
        for (int row = 0; model && row < model->rowCount(); ++row)
            rows << model->index(row, 0).data().toString();
        return rows.join(QLatin1Char('\n'));
    }
    return {};
}

bool setTextOf(QObject *object, const QString &text)
{
    if (auto *line = qobject_cast<QLineEdit *>(object)) {
        line->setText(text);
        return true;
    }
    if (auto *combo = qobject_cast<QComboBox *>(object)) {
        combo->setEditText(text);
        return true;
    }
    if (auto *plain = qobject_cast<QPlainTextEdit *>(object)) {
        plain->setPlainText(text);
        return true;
    }
    return false;
}

} // namespace

QString automationEscape(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '\\': out += QLatin1String("\\\\"); break;
        case '\n': out += QLatin1String("\\n"); break;
        case '\r': out += QLatin1String("\\r"); break;
        case '\t': out += QLatin1String("\\t"); break;
        default: out += c;
        }
    }
    return out;
}

QString automationUnescape(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c != QLatin1Char('\\') || i + 1 == text.size()) {
            out += c;
            continue;
        }
        const QChar next = text.at(++i);
        switch (next.unicode()) {
        case 'n': out += QLatin1Char('\n'); break;
        case 'r': out += QLatin1Char('\r'); break;
        case 't': out += QLatin1Char('\t'); break;
        default: out += next;
        }
    }
    return out;
}

Automation::Automation() = default;

Automation::~Automation()
{
    // The reader blocks in the input; the process ends with it.
    if (m_reader.joinable())
        m_reader.detach();
}

Platform Automation::platform()
{
    return {m_clock, *this, *this, *this, *this};
}

void Automation::start()
{
    // What the start showed (messages) comes before "ready".
    QTimer::singleShot(0, this, [this] {
        for (const QString &event : std::as_const(m_events))
            std::cout << event.toUtf8().constData() << '\n';
        m_events.clear();
        std::cout << "ready" << std::endl;
    });
    m_reader = std::thread([this] {
        std::string line;
        while (std::getline(std::cin, line)) {
            const QString command = QString::fromUtf8(line.data(), qsizetype(line.size()));
            QMetaObject::invokeMethod(this, [this, command] { run(command); }, Qt::QueuedConnection);
        }
        QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
    });
}

void Automation::run(const QString &line)
{
    // A command runs the events it set going; commands read meanwhile wait their turn, so
    // the replies come in the commands' order.
    m_pending.enqueue(line);
    if (m_running)
        return;
    m_running = true;
    while (!m_pending.isEmpty()) {
        const QString next = m_pending.dequeue();
        const QStringList reply = execute(next);
        for (const QString &replyLine : reply)
            std::cout << replyLine.toUtf8().constData() << '\n';
        std::cout.flush();
        if (next.trimmed() == QLatin1String("quit")) {
            QCoreApplication::quit();
            break;
        }
    }
    m_running = false;
}

QStringList Automation::execute(const QString &line)
{
    // What the program did since the last reply (at start-up, say) is told with this one.
    const QString verb = line.section(QLatin1Char(' '), 0, 0);
    const QString target = line.section(QLatin1Char(' '), 1, 1);
    const QString rest = automationUnescape(line.section(QLatin1Char(' '), 2));
    const QString argument = automationUnescape(line.section(QLatin1Char(' '), 1));
    QString error;

    auto object = [&]() -> QObject * { return findObject(target, error); };

    if (verb == QLatin1String("set")) {
        if (QObject *o = object(); o && !setTextOf(o, rest))
            error = QStringLiteral("%1 holds no text").arg(target);
    } else if (verb == QLatin1String("click")) {
        if (QObject *o = object()) {
            if (auto *button = qobject_cast<QAbstractButton *>(o))
                button->click();
            else
                error = QStringLiteral("%1 is not a button").arg(target);
        }
    } else if (verb == QLatin1String("dblclick")) {
        if (auto *widget = qobject_cast<QWidget *>(object())) {
            const QPointF at(widget->rect().center());
            const QPointF global(widget->mapToGlobal(at));
            const auto send = [&](QEvent::Type type, Qt::MouseButtons buttons) {
                QMouseEvent event(type, at, global, Qt::LeftButton, buttons, Qt::NoModifier);
                QApplication::sendEvent(widget, &event);
            };
            send(QEvent::MouseButtonPress, Qt::LeftButton);
            send(QEvent::MouseButtonRelease, Qt::NoButton);
            send(QEvent::MouseButtonDblClick, Qt::LeftButton);
            send(QEvent::MouseButtonRelease, Qt::NoButton);
        } else if (error.isEmpty()) {
            error = QStringLiteral("%1 is not a control").arg(target);
        }
    } else if (verb == QLatin1String("key")) {
        if (QObject *o = object()) {
            const QKeySequence sequence(rest);
            if (sequence.isEmpty()) {
                error = QStringLiteral("no key %1").arg(rest);
            } else {
                const QKeyCombination combination = sequence[0];
                if (auto *widget = qobject_cast<QWidget *>(o))
                    widget->setFocus();
                QKeyEvent press(QEvent::KeyPress, combination.key(), combination.keyboardModifiers());
                QKeyEvent release(QEvent::KeyRelease, combination.key(), combination.keyboardModifiers());
                QApplication::sendEvent(o, &press);
                QApplication::sendEvent(o, &release);
            }
        }
    } else if (verb == QLatin1String("select")) {
        if (QObject *o = object()) {
            auto *view = qobject_cast<QAbstractItemView *>(o);
            bool number = false;
            const int row = rest.toInt(&number);
            if (!view || !number || !view->model() || row < 0 || row >= view->model()->rowCount()) {
                error = QStringLiteral("no row %1 in %2").arg(rest, target);
            } else {
                const QModelIndex index = view->model()->index(row, 0);
                view->setCurrentIndex(index);
                emit view->clicked(index);
            }
        }
    } else if (verb == QLatin1String("trigger")) {
        if (QObject *o = object()) {
            if (auto *action = qobject_cast<QAction *>(o))
                action->trigger();
            else
                error = QStringLiteral("%1 is not a menu item").arg(target);
        }
    } else if (verb == QLatin1String("close")) {
        if (QObject *o = object())
            qobject_cast<QWidget *>(o)->close();
    } else if (verb == QLatin1String("get")) {
        if (QObject *o = object())
            m_events << QStringLiteral("value ") + automationEscape(textOf(o));
    } else if (verb == QLatin1String("name")) {
        // What a screen reader is told the control is called.
        if (QObject *o = object()) {
            QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(o);
            m_events << QStringLiteral("name ") + automationEscape(accessible ? accessible->text(QAccessible::Name) : QString());
        }
    } else if (verb == QLatin1String("file")) {
        m_files.enqueue(argument);
    } else if (verb == QLatin1String("file-cancel")) {
        m_files.enqueue(std::nullopt);
    } else if (verb == QLatin1String("font")) {
        const QStringList parts = argument.split(QLatin1Char('|'));
        if (parts.size() != 4)
            error = QStringLiteral("font NAME|BOLD|ITALIC|SIZE");
        else
            m_fonts.enqueue(FontChoice{parts.at(0), parts.at(1) == QLatin1String("1"),
                                       parts.at(2) == QLatin1String("1"), parts.at(3).toDouble()});
    } else if (verb == QLatin1String("font-cancel")) {
        m_fonts.enqueue(std::nullopt);
    } else if (verb == QLatin1String("answer")) {
        m_answers.enqueue(argument == QLatin1String("yes"));
    } else if (verb == QLatin1String("quit") || verb.isEmpty()) {
    } else {
        error = QStringLiteral("unknown command %1").arg(verb);
    }
    // Whatever the command set going (a window shown, its activation) runs before the reply.
    QCoreApplication::processEvents();

    QStringList reply = m_events;
    reply << (error.isEmpty() ? QStringLiteral("ok") : QStringLiteral("error ") + error);
    m_events.clear();
    return reply;
}

std::optional<QString> Automation::openFile(QWidget *, const OpenFileRequest &)
{
    return m_files.isEmpty() ? std::nullopt : m_files.dequeue();
}

std::optional<FontChoice> Automation::chooseFont(QWidget *, const FontRequest &)
{
    return m_fonts.isEmpty() ? std::nullopt : m_fonts.dequeue();
}

PrintResult Automation::printText(const QFont &, const QString &text)
{
    m_events << QStringLiteral("printed %1").arg(text.size());
    return {};
}

PrintResult Automation::printImage(const QImage &image)
{
    m_events << QStringLiteral("printed %1x%2").arg(image.width()).arg(image.height());
    return {};
}

bool Automation::open(const QString &, EditorWindow)
{
    return true;
}

bool Automation::question(QWidget *, const QString &, const QString &text)
{
    m_events << QStringLiteral("question ") + automationEscape(text);
    return m_answers.isEmpty() ? false : m_answers.dequeue();
}

void Automation::warning(QWidget *, const QString &, const QString &text)
{
    m_events << QStringLiteral("message ") + automationEscape(text);
}

} // namespace pos
