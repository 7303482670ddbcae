#include "platform/accessibility.h"

#include "platform/uniform_list_view.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QComboBox>
#include <QHash>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QPointer>

namespace pos {

namespace {

int rowCount(const UniformListView *view)
{
    return view && view->model() ? view->model()->rowCount(view->rootIndex()) : 0;
}

// One row of a list view. It stands for the row's place: what it tells is what that row holds
// when it is asked.
class ListRowAccessible : public QAccessibleInterface
{
public:
    ListRowAccessible(UniformListView *view, int row)
        : m_view(view)
        , m_row(row)
    {
    }

    UniformListView *view() const { return m_view; }
    int row() const { return m_row; }

    bool isValid() const override { return m_row < rowCount(m_view); }
    QObject *object() const override { return nullptr; }
    QWindow *window() const override { return m_view ? m_view->window()->windowHandle() : nullptr; }
    QAccessibleInterface *parent() const override { return QAccessible::queryAccessibleInterface(m_view.data()); }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }
    QAccessible::Role role() const override { return QAccessible::ListItem; }
    void setText(QAccessible::Text, const QString &) override { }

    QString text(QAccessible::Text kind) const override
    {
        if (!isValid())
            return {};
        if (kind == QAccessible::Name)
            return index().data(Qt::DisplayRole).toString();
        if (kind == QAccessible::Description)
            return index().data(Qt::AccessibleDescriptionRole).toString();
        return {};
    }

    QRect rect() const override
    {
        if (!isValid())
            return {};
        const QRect shown = m_view->visualRect(index());
        return {m_view->viewport()->mapToGlobal(shown.topLeft()), shown.size()};
    }

    QAccessible::State state() const override
    {
        QAccessible::State state;
        if (!isValid()) {
            state.invalid = true;
            return state;
        }
        const QModelIndex here = index();
        state.focusable = true;
        state.selectable = true;
        state.selected = m_view->selectionModel() && m_view->selectionModel()->isSelected(here);
        state.focused = m_view->hasFocus() && m_view->currentIndex() == here;
        state.invisible = !m_view->viewport()->rect().intersects(m_view->visualRect(here));
        return state;
    }

private:
    QModelIndex index() const { return m_view->model()->index(m_row, 0, m_view->rootIndex()); }

    QPointer<UniformListView> m_view;
    int m_row;
};

// A list view as a list whose children are its rows (not its scroll bars). The interface of
// a row is made when it is first asked for and kept while the view lives, so that a list of a
// million rows costs only the rows assistive technology has read.
class ListAccessible : public QAccessibleWidget
{
public:
    explicit ListAccessible(UniformListView *view)
        : QAccessibleWidget(view, QAccessible::List)
    {
    }

    ~ListAccessible() override
    {
        for (const QAccessible::Id id : std::as_const(m_rows))
            QAccessible::deleteAccessibleInterface(id);
    }

    int childCount() const override { return rowCount(view()); }

    QAccessibleInterface *child(int index) const override
    {
        if (index < 0 || index >= rowCount(view()))
            return nullptr;
        if (const auto kept = m_rows.constFind(index); kept != m_rows.cend()) {
            if (QAccessibleInterface *row = QAccessible::accessibleInterface(*kept))
                return row;
        }
        auto *row = new ListRowAccessible(view(), index);
        m_rows.insert(index, QAccessible::registerAccessibleInterface(row));
        return row;
    }

    int indexOfChild(const QAccessibleInterface *child) const override
    {
        const auto *row = dynamic_cast<const ListRowAccessible *>(child);
        return row && row->view() == view() && row->isValid() ? row->row() : -1;
    }

    QAccessibleInterface *childAt(int x, int y) const override
    {
        const QModelIndex index = view()->indexAt(view()->viewport()->mapFromGlobal(QPoint(x, y)));
        return index.isValid() ? child(index.row()) : nullptr;
    }

    QAccessibleInterface *focusChild() const override
    {
        const QModelIndex current = view()->currentIndex();
        return view()->hasFocus() && current.isValid() ? child(current.row()) : nullptr;
    }

private:
    UniformListView *view() const { return static_cast<UniformListView *>(widget()); }

    mutable QHash<int, QAccessible::Id> m_rows;
};

// A drop-down named by its name, its text its value. (Qt's own interface on Linux gives its
// text as its name too, so that "Order kind" was read as "Sale".) Its children are its list
// and its text box.
class DropDownAccessible : public QAccessibleWidget
{
public:
    explicit DropDownAccessible(QComboBox *dropDown)
        : QAccessibleWidget(dropDown, QAccessible::ComboBox)
    {
    }

    QString text(QAccessible::Text kind) const override
    {
        if (kind == QAccessible::Value)
            return dropDown()->currentText();
        QString text = QAccessibleWidget::text(kind);
        // One with no name of its own, nor a caption, is known by its text.
        if (kind == QAccessible::Name && text.isEmpty())
            text = dropDown()->currentText();
        return text;
    }

    int childCount() const override { return dropDown()->lineEdit() ? 2 : 1; }

    QAccessibleInterface *child(int index) const override
    {
        if (index == 0)
            return QAccessible::queryAccessibleInterface(dropDown()->view());
        if (index == 1 && dropDown()->lineEdit())
            return QAccessible::queryAccessibleInterface(dropDown()->lineEdit());
        return nullptr;
    }

    int indexOfChild(const QAccessibleInterface *child) const override
    {
        for (int i = 0; i < childCount(); ++i) {
            if (this->child(i) == child)
                return i;
        }
        return -1;
    }

    QStringList actionNames() const override
    {
        return QStringList{showMenuAction()} + QAccessibleWidget::actionNames();
    }

    void doAction(const QString &action) override
    {
        if (action == showMenuAction() || action == pressAction())
            dropDown()->showPopup();
        else
            QAccessibleWidget::doAction(action);
    }

private:
    QComboBox *dropDown() const { return static_cast<QComboBox *>(widget()); }
};

QAccessibleInterface *makeInterface(const QString &className, QObject *object)
{
    if (!object || !object->isWidgetType())
        return nullptr;
    auto *widget = static_cast<QWidget *>(object);
    if (className == QLatin1String(UniformListView::staticMetaObject.className()))
        return new ListAccessible(static_cast<UniformListView *>(widget));
    if (className == QLatin1String("QComboBox"))
        return new DropDownAccessible(static_cast<QComboBox *>(widget));
    // Qt asks by the class names of the widget's ancestry, the most derived first: a window
    // asked for as a plain QWidget is one that no interface stood for under its own names.
    if (className == QLatin1String("QWidget") && widget->windowType() == Qt::Window)
        return new QAccessibleWidget(widget, QAccessible::Window);
    return nullptr;
}

} // namespace

void installAccessibleInterfaces()
{
    static const bool installed = [] {
        QAccessible::installFactory(makeInterface);
        return true;
    }();
    Q_UNUSED(installed);
}

} // namespace pos
