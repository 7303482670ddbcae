#pragma once

// Standard-control behaviour the windows rely on that Qt does not give a main window out of the
// box: a default button, list boxes backed by a model, and fast editable drop-downs.

#include "platform/twips.h"

#include <QListView>
#include <QObject>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QStringList>

class QAction;
class QComboBox;
class QGroupBox;
class QLabel;
class QMenu;
class QMenuBar;
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

// A command button whose caption wraps onto further lines where it does not fit on one, as the
// windows' buttons show a large caption on a tall button.
class WrappingButton : public QPushButton
{
    Q_OBJECT
public:
    using QPushButton::QPushButton;

protected:
    void paintEvent(QPaintEvent *event) override;
};

// A multi-line text box as Windows has them: Tab and Shift+Tab move the focus on (to the next
// control, or nowhere where the box is its window's only one) and never type a tab.
class MultiLineBox : public QPlainTextEdit
{
    Q_OBJECT
public:
    explicit MultiLineBox(QWidget *parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent *event) override;
};

// The most characters of one line a list box or drop-down shows: far more than any of them is
// wide. Laying out a line for a paint, or measuring it, takes time in its length, so a line of
// 64 KB would make every paint of the list take a tenth of a second. A longer line shows its
// first characters and "…"; the list's items keep their whole text.
inline constexpr qsizetype kLongestShownLine = 1024;

// A list box whose lines live in a string model, so that lists of a million lines stay fast.
class ListBox : public QListView
{
    Q_OBJECT
public:
    explicit ListBox(QWidget *parent = nullptr);

    // The sorted mode of a list box: the lines are kept in list order (see sortInListOrder)
    // at all times. setItems sorts once; addItem and setItem put the line in its place.
    void setSorted(bool sorted);
    bool isSorted() const { return m_sorted; }

    void addItem(const QString &text);
    void setItems(const QStringList &items);
    void setItem(int row, const QString &text);
    void removeItem(int row);
    void clear();
    int count() const;
    QString item(int row) const;
    QStringList items() const;
    // The selected line, -1 when none is.
    int selectedRow() const;
    QStringListModel *stringModel() const { return m_model; }

private:
    // Where a line goes in a sorted list: after every line that sorts before it or with it.
    int sortedRowFor(const QString &text) const;

    QStringListModel *m_model;
    bool m_sorted = false;
};

// List order: ascending, letters compared without regard to case, so that an empty line comes
// before every other; lines that differ only in case keep the order they had.
void sortInListOrder(QStringList &items);

// Makes the combo box an editable drop-down as the windows use them: typed text is never
// added to the list, no completion pops up, and the box does not measure its items (so a list
// of a hundred thousand entries costs nothing at start-up).
void makeEditableDropDown(QComboBox *combo);

// Replaces the drop-down's entries at once through its model.
void setDropDownItems(QComboBox *combo, const QStringList &items);

// The longest run of characters without a blank that a multi-line box wraps at word boundaries.
// Qt looks for the end of a word before it breaks it, so it wraps a run that no line holds in
// time that grows with the square of its length (64 KB without a blank take a third of a
// second, 1 MB half a minute); a box whose text holds a longer run wraps anywhere. No word is
// that long; a damaged or hand-made file's line can be.
inline constexpr qsizetype kLongestWrappedWord = 1024;

// Puts the text into a multi-line box that wraps at its width: at word boundaries, or anywhere
// when the text holds a run longer than kLongestWrappedWord.
void setBoxText(QPlainTextEdit *box, const QString &text);

// Building a window's controls from its design table: each control gets its design name as
// object name and its design position and size, given in twips.
template<typename W>
W *makeControl(QWidget *parent, const char *name, int left, int top, int width, int height)
{
    auto *widget = new W(parent);
    widget->setObjectName(QLatin1String(name));
    placeInTwips(widget, left, top, width, height);
    return widget;
}

// The same for a control with a caption (label, button, check box).
template<typename W>
W *makeControl(QWidget *parent, const char *name, const QString &caption, int left, int top, int width, int height)
{
    auto *widget = makeControl<W>(parent, name, left, top, width, height);
    widget->setText(caption);
    return widget;
}

// Assistive technology: the label captions the box (the box is its buddy), so a screen reader
// reads the label's text as the box's name.
void captionBox(QLabel *label, QWidget *box);
// A box with no caption beside it is given a name of its own; an editable drop-down's text box
// is given the drop-down's name.
void nameControl(QWidget *control, const QString &name);

QGroupBox *makeFrame(QWidget *parent, const char *name, const QString &caption, int left, int top, int width,
                     int height);

// An editable drop-down (see makeEditableDropDown) holding the items.
QComboBox *makeDropDown(QWidget *parent, const char *name, int left, int top, int width, int height,
                        const QStringList &items = {});

// A menu of the menu bar and an item of a menu, named as designed. A menu's caption has its
// access key on its first letter (see useAccessKeys).
QMenu *makeMenu(QMenuBar *bar, const char *name, const QString &caption);
QAction *makeMenuItem(QMenu *menu, const char *name, const QString &caption);
QAction *makeMenuSeparator(QMenu *menu, const char *name);

} // namespace pos
