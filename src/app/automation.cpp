#include "app/automation.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAccessible>
#include <QAccessibleInterface>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QHash>
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
#include <functional>
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
        case '\\':
            out += QLatin1String("\\\\");
            break;
        case '\n':
            out += QLatin1String("\\n");
            break;
        case '\r':
            out += QLatin1String("\\r");
            break;
        case '\t':
            out += QLatin1String("\\t");
            break;
        default:
            out += c;
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
        case 'n':
            out += QLatin1Char('\n');
            break;
        case 'r':
            out += QLatin1Char('\r');
            break;
        case 't':
            out += QLatin1Char('\t');
            break;
        default:
            out += next;
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
            QMetaObject::invokeMethod(
                this, [this, command] { run(command); }, Qt::QueuedConnection);
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

namespace {

// A command's words: the control it names and the rest of its line; a handler sets `error`
// when the command cannot be done.
struct Command
{
    QString target;
    QString rest;     // the words after the target, unescaped
    QString argument; // the words after the command, unescaped
    QString error;

    QObject *object() { return findObject(target, error); }
    QWidget *widget()
    {
        auto *widget = qobject_cast<QWidget *>(object());
        if (!widget && error.isEmpty())
            error = QStringLiteral("%1 is not a control").arg(target);
        return widget;
    }
};

void setText(Command &command)
{
    if (QObject *o = command.object(); o && !setTextOf(o, command.rest))
        command.error = QStringLiteral("%1 holds no text").arg(command.target);
}

void click(Command &command)
{
    if (QObject *o = command.object()) {
        if (auto *button = qobject_cast<QAbstractButton *>(o))
            button->click();
        else
            command.error = QStringLiteral("%1 is not a button").arg(command.target);
    }
}

void doubleClick(Command &command)
{
    QWidget *widget = command.widget();
    if (!widget)
        return;
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
}

void pressKey(Command &command)
{
    QObject *o = command.object();
    if (!o)
        return;
    const QKeySequence sequence(command.rest);
    if (sequence.isEmpty()) {
        command.error = QStringLiteral("no key %1").arg(command.rest);
        return;
    }
    const QKeyCombination combination = sequence[0];
    if (auto *widget = qobject_cast<QWidget *>(o))
        widget->setFocus();
    QKeyEvent press(QEvent::KeyPress, combination.key(), combination.keyboardModifiers());
    QKeyEvent release(QEvent::KeyRelease, combination.key(), combination.keyboardModifiers());
    QApplication::sendEvent(o, &press);
    QApplication::sendEvent(o, &release);
}

void selectRow(Command &command)
{
    QObject *o = command.object();
    if (!o)
        return;
    auto *view = qobject_cast<QAbstractItemView *>(o);
    bool number = false;
    const int row = command.rest.toInt(&number);
    if (!view || !number || !view->model() || row < 0 || row >= view->model()->rowCount()) {
        command.error = QStringLiteral("no row %1 in %2").arg(command.rest, command.target);
        return;
    }
    const QModelIndex index = view->model()->index(row, 0);
    view->setCurrentIndex(index);
    emit view->clicked(index);
}

void trigger(Command &command)
{
    if (QObject *o = command.object()) {
        if (auto *action = qobject_cast<QAction *>(o))
            action->trigger();
        else
            command.error = QStringLiteral("%1 is not a menu item").arg(command.target);
    }
}

void closeWindow(Command &command)
{
    if (QWidget *widget = command.widget())
        widget->close();
}

} // namespace

QStringList Automation::execute(const QString &line)
{
    using Handler = std::function<void(Automation &, Command &)>;
    // The commands (see automation.h) and what each does.
    static const QHash<QString, Handler> handlers{
        {QStringLiteral("set"), [](Automation &, Command &c) { setText(c); }},
        {QStringLiteral("click"), [](Automation &, Command &c) { click(c); }},
        {QStringLiteral("dblclick"), [](Automation &, Command &c) { doubleClick(c); }},
        {QStringLiteral("key"), [](Automation &, Command &c) { pressKey(c); }},
        {QStringLiteral("select"), [](Automation &, Command &c) { selectRow(c); }},
        {QStringLiteral("trigger"), [](Automation &, Command &c) { trigger(c); }},
        {QStringLiteral("close"), [](Automation &, Command &c) { closeWindow(c); }},
        {QStringLiteral("get"),
         [](Automation &self, Command &c) {
             if (QObject *o = c.object())
                 self.m_events << QStringLiteral("value ") + automationEscape(textOf(o));
         }},
        {QStringLiteral("name"),
         [](Automation &self, Command &c) {
             // What a screen reader is told the control is called.
             if (QObject *o = c.object()) {
                 QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(o);
                 self.m_events << QStringLiteral("name ")
                                      + automationEscape(accessible ? accessible->text(QAccessible::Name) : QString());
             }
         }},
        {QStringLiteral("file"), [](Automation &self, Command &c) { self.m_files.enqueue(c.argument); }},
        {QStringLiteral("file-cancel"), [](Automation &self, Command &) { self.m_files.enqueue(std::nullopt); }},
        {QStringLiteral("folder"), [](Automation &self, Command &c) { self.m_folders.enqueue(c.argument); }},
        {QStringLiteral("folder-cancel"), [](Automation &self, Command &) { self.m_folders.enqueue(std::nullopt); }},
        {QStringLiteral("font"),
         [](Automation &self, Command &c) {
             const QStringList parts = c.argument.split(QLatin1Char('|'));
             if (parts.size() != 4)
                 c.error = QStringLiteral("font NAME|BOLD|ITALIC|SIZE");
             else
                 self.m_fonts.enqueue(FontChoice{parts.at(0), parts.at(1) == QLatin1String("1"),
                                                 parts.at(2) == QLatin1String("1"), parts.at(3).toDouble()});
         }},
        {QStringLiteral("font-cancel"), [](Automation &self, Command &) { self.m_fonts.enqueue(std::nullopt); }},
        {QStringLiteral("answer"),
         [](Automation &self, Command &c) { self.m_answers.enqueue(c.argument == QLatin1String("yes")); }},
        {QStringLiteral("quit"), [](Automation &, Command &) {}},
        {QString(), [](Automation &, Command &) {}},
    };

    // What the program did since the last reply (at start-up, say) is told with this one.
    const QString verb = line.section(QLatin1Char(' '), 0, 0);
    Command command{line.section(QLatin1Char(' '), 1, 1), automationUnescape(line.section(QLatin1Char(' '), 2)),
                    automationUnescape(line.section(QLatin1Char(' '), 1)), QString()};
    if (const auto handler = handlers.constFind(verb); handler != handlers.cend())
        (*handler)(*this, command);
    else
        command.error = QStringLiteral("unknown command %1").arg(verb);
    // Whatever the command set going (a window shown, its activation) runs before the reply.
    QCoreApplication::processEvents();

    QStringList reply = m_events;
    reply << (command.error.isEmpty() ? QStringLiteral("ok") : QStringLiteral("error ") + command.error);
    m_events.clear();
    return reply;
}

void Automation::tellEnd()
{
    for (const QString &event : std::as_const(m_events))
        std::cout << event.toUtf8().constData() << '\n';
    m_events.clear();
    std::cout << "end" << std::endl;
}

std::optional<QString> Automation::openFile(QWidget *, const OpenFileRequest &)
{
    return m_files.isEmpty() ? std::nullopt : m_files.dequeue();
}

std::optional<QString> Automation::chooseFolder(QWidget *, const QString &, const QString &)
{
    return m_folders.isEmpty() ? std::nullopt : m_folders.dequeue();
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
