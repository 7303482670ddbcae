#pragma once

// Standard-control behaviour the windows rely on that Qt does not give a main window out of the
// box: a default button, list boxes backed by a model, and fast editable drop-downs.

#include <QListView>
#include <QObject>
#include <QPointer>
#include <QPushButton>
#include <QStringList>

class QComboBox;
class QStringListModel;

namespace pos {

// The default-button role of a window: while a button holds it, Return (or Enter) pressed on
// any control of the window other than a button clicks it, exactly as a mouse click does.
// Return on a focused command button clicks that button. At most one button holds the role.
class DefaultButton : public QObject
{
    Q_OBJECT
public:
    explicit DefaultButton(QWidget *window);

    // Gives the role to the button (nullptr: no default button).
    void set(QPushButton *button);
    // Takes the role from the button if it holds it.
    void release(QPushButton *button);
    QPushButton *current() const { return m_current; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *m_window;
    QPointer<QPushButton> m_current;
};

// A list box whose lines live in a string model, so that lists of a million lines stay fast.
class ListBox : public QListView
{
    Q_OBJECT
public:
    explicit ListBox(QWidget *parent = nullptr);

    void addItem(const QString &text);
    void setItems(const QStringList &items);
    void setItem(int row, const QString &text);
    void clear();
    int count() const;
    QString item(int row) const;
    QStringList items() const;
    QStringListModel *stringModel() const { return m_model; }

private:
    QStringListModel *m_model;
};

// Makes the combo box an editable drop-down as the windows use them: typed text is never
// added to the list, no completion pops up, and the box does not measure its items (so a list
// of a hundred thousand entries costs nothing at start-up).
void makeEditableDropDown(QComboBox *combo);

// Replaces the drop-down's entries at once through its model.
void setDropDownItems(QComboBox *combo, const QStringList &items);

} // namespace pos
