#include "platform/controls.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStringListModel>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <QStyledItemDelegate>

#include <algorithm>
#include <numeric>
#include <utility>
#include <vector>

namespace pos {

DefaultButton::DefaultButton(QWidget *window)
    : QObject(window)
    , m_window(window)
{
    // Key presses reach the focused control first; watching the application lets the role
    // act for every control of the window, including those created later.
    qApp->installEventFilter(this);
}

void DefaultButton::set(QPushButton *button)
{
    if (m_current == button)
        return;
    if (m_current)
        m_current->setDefault(false);
    m_current = button;
    if (m_current)
        m_current->setDefault(true);
}

void DefaultButton::release(QPushButton *button)
{
    if (button && m_current == button)
        set(nullptr);
}

bool DefaultButton::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    auto *key = static_cast<QKeyEvent *>(event);
    if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter)
        return false;
    if (key->modifiers() & ~Qt::KeypadModifier)
        return false;
    auto *widget = qobject_cast<QWidget *>(watched);
    if (!widget || (widget != m_window && !m_window->isAncestorOf(widget)))
        return false;
    // A focused command button takes Return itself; check boxes and everything else pass it on.
    if (auto *button = qobject_cast<QPushButton *>(widget)) {
        if (!button->isEnabled())
            return false;
        button->click();
        return true;
    }
    if (!m_current || !m_current->isEnabled() || !m_current->isVisible())
        return false;
    m_current->click();
    return true;
}

void WrappingButton::paintEvent(QPaintEvent *)
{
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    const QString caption = option.text;
    option.text.clear();
    painter.drawControl(QStyle::CE_PushButton, option);
    const QRect area = style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
    painter.drawText(area, Qt::AlignCenter | Qt::TextWordWrap | Qt::TextShowMnemonic, caption);
}

namespace {

QString shownPart(const QString &text)
{
    if (text.size() <= kLongestShownLine)
        return text;
    return text.left(kLongestShownLine) + QChar(0x2026);
}

// The rows of a list box or drop-down, measured and painted from their shown part.
class ShownPartDelegate final : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        option->text = shownPart(option->text);
    }
};

} // namespace

ListBox::ListBox(QWidget *parent)
    : QListView(parent)
    , m_model(new QStringListModel(this))
{
    setModel(m_model);
    setItemDelegate(new ShownPartDelegate(this));
    setUniformItemSizes(true);
    setLayoutMode(QListView::Batched);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
}

void ListBox::setSorted(bool sorted)
{
    if (sorted == m_sorted)
        return;
    m_sorted = sorted;
    if (m_sorted)
        setItems(items());
}

int ListBox::sortedRowFor(const QString &text) const
{
    const QString key = text.toCaseFolded();
    int low = 0;
    int high = m_model->rowCount();
    while (low < high) {
        const int middle = low + (high - low) / 2;
        if (key < item(middle).toCaseFolded())
            high = middle;
        else
            low = middle + 1;
    }
    return low;
}

void ListBox::addItem(const QString &text)
{
    const int row = m_sorted ? sortedRowFor(text) : m_model->rowCount();
    m_model->insertRows(row, 1);
    m_model->setData(m_model->index(row), text);
}

void ListBox::setItems(const QStringList &items)
{
    if (!m_sorted) {
        m_model->setStringList(items);
        return;
    }
    QStringList sorted = items;
    sortInListOrder(sorted);
    m_model->setStringList(sorted);
}

void ListBox::setItem(int row, const QString &text)
{
    if (m_sorted && row >= 0 && row < m_model->rowCount()) {
        m_model->removeRows(row, 1);
        addItem(text);
        return;
    }
    m_model->setData(m_model->index(row), text);
}

void ListBox::removeItem(int row)
{
    if (row >= 0 && row < m_model->rowCount())
        m_model->removeRows(row, 1);
}

int ListBox::selectedRow() const
{
    const QModelIndexList rows = selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void ListBox::clear()
{
    m_model->setStringList({});
}

int ListBox::count() const
{
    return m_model->rowCount();
}

QString ListBox::item(int row) const
{
    return m_model->index(row).data().toString();
}

QStringList ListBox::items() const
{
    return m_model->stringList();
}

void sortInListOrder(QStringList &items)
{
    // Each line is folded once; sorting compares the folded keys.
    std::vector<QString> keys;
    keys.reserve(items.size());
    for (const QString &line : std::as_const(items))
        keys.push_back(line.toCaseFolded());
    std::vector<qsizetype> order(items.size());
    std::iota(order.begin(), order.end(), qsizetype(0));
    std::stable_sort(order.begin(), order.end(), [&keys](qsizetype a, qsizetype b) { return keys[a] < keys[b]; });
    QStringList sorted;
    sorted.reserve(items.size());
    for (const qsizetype index : order)
        sorted.append(items.at(index));
    items = std::move(sorted);
}

void makeEditableDropDown(QComboBox *combo)
{
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->setCompleter(nullptr);
    combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    combo->setMinimumContentsLength(1);
    if (auto *view = qobject_cast<QListView *>(combo->view()))
        view->setUniformItemSizes(true);
    combo->setItemDelegate(new ShownPartDelegate(combo));
}

void setDropDownItems(QComboBox *combo, const QStringList &items)
{
    const QString text = combo->currentText();
    auto *model = qobject_cast<QStringListModel *>(combo->model());
    if (!model) {
        model = new QStringListModel(combo);
        combo->setModel(model);
    }
    model->setStringList(items);
    combo->setCurrentIndex(-1);
    combo->setEditText(text);
}

MultiLineBox::MultiLineBox(QWidget *parent)
    : QPlainTextEdit(parent)
{
    setTabChangesFocus(true);
}

void MultiLineBox::keyPressEvent(QKeyEvent *event)
{
    // Reached only when the focus did not move on (or with Ctrl): the key types nothing.
    if (event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab) {
        event->ignore();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void setBoxText(QPlainTextEdit *box, const QString &text)
{
    qsizetype run = 0;
    bool longRun = false;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        run = u == u' ' || u == u'\t' || u == u'\r' || u == u'\n' ? 0 : run + 1;
        if (run > kLongestWrappedWord) {
            longRun = true;
            break;
        }
    }
    box->setWordWrapMode(longRun ? QTextOption::WrapAnywhere : QTextOption::WrapAtWordBoundaryOrAnywhere);
    box->setPlainText(text);
}

void captionBox(QLabel *label, QWidget *box)
{
    label->setBuddy(box);
    QString name = label->text();
    name.remove(QLatin1Char('&'));
    nameControl(box, name);
}

void nameControl(QWidget *control, const QString &name)
{
    control->setAccessibleName(name);
    // The text box inside an editable drop-down is the drop-down to the reader.
    if (auto *dropDown = qobject_cast<QComboBox *>(control); dropDown && dropDown->lineEdit())
        dropDown->lineEdit()->setAccessibleName(name);
}

QGroupBox *makeFrame(QWidget *parent, const char *name, const QString &caption, int left, int top, int width,
                     int height)
{
    auto *frame = makeControl<QGroupBox>(parent, name, left, top, width, height);
    frame->setTitle(caption);
    return frame;
}

QComboBox *makeDropDown(QWidget *parent, const char *name, int left, int top, int width, int height,
                        const QStringList &items)
{
    auto *combo = makeControl<QComboBox>(parent, name, left, top, width, height);
    makeEditableDropDown(combo);
    setDropDownItems(combo, items);
    return combo;
}

QMenu *makeMenu(QMenuBar *bar, const char *name, const QString &caption)
{
    // The access key on the first letter: "&File" shows "File", and Alt+F opens it.
    QMenu *menu = bar->addMenu(QLatin1Char('&') + caption);
    menu->setObjectName(QLatin1String(name));
    return menu;
}

QAction *makeMenuItem(QMenu *menu, const char *name, const QString &caption)
{
    QAction *action = menu->addAction(caption);
    action->setObjectName(QLatin1String(name));
    return action;
}

QAction *makeMenuSeparator(QMenu *menu, const char *name)
{
    QAction *separator = menu->addSeparator();
    separator->setObjectName(QLatin1String(name));
    return separator;
}

} // namespace pos
