// The Quick Inventory Manager driven by its named controls: the sorted list, Load, Add, Remove
// Item, Clear List, Clear, the save rule, failed writes and a new showing.

#include "fake_platform.h"
#include "work_dir.h"

#include "app/app_windows.h"
#include "inventory/form8.h"
#include "platform/controls.h"

#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QStringListModel>
#include <QTest>

#include <memory>

using namespace pos;
using namespace pos::testing;

namespace {

const QByteArray kInventory = "\"Widget\"\r\n\"bolt, 10 mm\"\r\n\"Anchor\"\r\n";

struct Manager
{
    explicit Manager(const QByteArray &inventory = kInventory)
    {
        if (!inventory.isNull())
            dir.write("inventory.dat", inventory);
        form = std::make_unique<Form8>(fake.platform());
    }
    void click(QPushButton *button) { QTest::mouseClick(button, Qt::LeftButton); }
    void load() { click(form->Command3); }
    void add(const QString &text)
    {
        form->Text1->clear();
        QTest::keyClicks(form->Text1, text);
        click(form->Command1);
    }
    void select(const QString &entry)
    {
        const int row = form->List1->items().indexOf(entry);
        QVERIFY2(row >= 0, qPrintable(entry));
        form->List1->setCurrentIndex(form->List1->stringModel()->index(row));
    }
    QByteArray file() const { return dir.read("inventory.dat"); }

    WorkDir dir;
    FakePlatform fake;
    std::unique_ptr<Form8> form;
};

} // namespace

class TestForm8 : public QObject
{
    Q_OBJECT

private slots:
    void layout();
    void opensEmpty();
    void loadShowsSorted_data();
    void loadShowsSorted();
    void addAppendsAndReloads();
    void emptyDescriptionBlocksSave();
    void removeItem();
    void removeThenAddBringsEntryBack();
    void clearListThenSaveLeavesFile();
    void clearEmptiesDescriptionOnly();
    void saveWritesListOrder();
    void commaSurvivesSaveAndLoad();
    void failedWritesAreReported();
    void newShowingStartsEmpty();
};

void TestForm8::layout()
{
    Manager m;
    Form8 &f = *m.form;
    QCOMPARE(f.windowTitle(), QStringLiteral("Quick Inventory Manager"));
    const QList<QPair<QString, QString>> captions{{"Command3", "Load Inventory File"},
                                                  {"Command4", "Remove Item"},
                                                  {"Command2", "Clear List"},
                                                  {"Command5", "Save"},
                                                  {"Label1", "Description"},
                                                  {"Command7", "Clear"},
                                                  {"Command1", "Add"}};
    for (const auto &[name, caption] : captions) {
        QWidget *w = f.findChild<QWidget *>(name);
        QVERIFY2(w, qPrintable(name));
        QCOMPARE(w->property("text").toString(), caption);
    }
    QCOMPARE(f.Frame1->title(), QStringLiteral("Inventory Information"));
    for (QWidget *inside : {static_cast<QWidget *>(f.Label1), static_cast<QWidget *>(f.Text1),
                            static_cast<QWidget *>(f.Command7), static_cast<QWidget *>(f.Command1)})
        QCOMPARE(inside->parentWidget(), f.Frame1);
    QVERIFY(f.List1->isSorted());
    QVERIFY(qobject_cast<QStringListModel *>(f.List1->model()));

    const qreal dpi = f.logicalDpiX();
    auto px = [dpi](int twips) { return qRound(twips * dpi / 1440.0); };
    QCOMPARE(f.size(), QSize(px(6135), px(3915)));
    QCOMPARE(f.List1->geometry(), QRect(px(0), px(120), px(3735), px(3765)));
    QCOMPARE(f.Frame1->geometry(), QRect(px(3840), px(2400), px(2295), px(1455)));
    QCOMPARE(f.Command1->geometry(), QRect(px(1200), px(840), px(975), px(375)));

    // Focus order: the description, Add, the list, then the buttons down the right.
    const QList<QWidget *> order{f.Text1,    f.Command1, f.List1,    f.Command3,
                                 f.Command4, f.Command7, f.Command2, f.Command5};
    QWidget *w = order.first();
    for (qsizetype i = 1; i < order.size(); ++i) {
        w = w->nextInFocusChain();
        // Skip the inner parts of composite controls (the viewport of the list).
        while (w && !order.contains(w))
            w = w->nextInFocusChain();
        QCOMPARE(w, order.at(i));
    }
    // No default button.
    for (QPushButton *button : f.findChildren<QPushButton *>())
        QVERIFY(!button->isDefault());
}

void TestForm8::opensEmpty()
{
    Manager m;
    QCOMPARE(m.form->List1->count(), 0);
    QCOMPARE(m.form->Text1->text(), QString());
    QCOMPARE(m.file(), kInventory);
}

void TestForm8::loadShowsSorted_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QStringList>("list");
    QTest::newRow("case ignored") << kInventory << QStringList{"Anchor", "bolt, 10 mm", "Widget"};
    QTest::newRow("empty first, duplicates kept")
        << QByteArray("\"b\"\r\n\"\"\r\n\"A\"\r\n\"b\"\r\n\" \"\r\n") << QStringList{"", " ", "A", "b", "b"};
    QTest::newRow("same letters keep file order")
        << QByteArray("\"pen\"\r\n\"PEN\"\r\n\"Pen\"\r\n\"nib\"\r\n") << QStringList{"nib", "pen", "PEN", "Pen"};
    QTest::newRow("hand-typed comma gives two entries")
        << QByteArray("Widget, blue\r\n") << QStringList{"blue", "Widget"};
    QTest::newRow("two quoted fields on a line") << QByteArray("\"Pen\",\"Nut\"\r\n") << QStringList{"Nut", "Pen"};
    QTest::newRow("empty file") << QByteArray("") << QStringList{};
    QTest::newRow("missing file") << QByteArray() << QStringList{};
}

void TestForm8::loadShowsSorted()
{
    QFETCH(QByteArray, file);
    QFETCH(QStringList, list);
    Manager m(file);
    m.form->List1->setItems({"left over"});
    m.load();
    QCOMPARE(m.form->List1->items(), list);
    QVERIFY(m.fake.messages.warnings.isEmpty());
    QCOMPARE(m.dir.exists("inventory.dat"), !file.isNull());
}

void TestForm8::addAppendsAndReloads()
{
    Manager m;
    m.add("Crate");
    QCOMPARE(m.file(), kInventory + "\"Crate\"\r\n");
    QCOMPARE(m.form->List1->items(), (QStringList{"Anchor", "bolt, 10 mm", "Crate", "Widget"}));
    QCOMPARE(m.form->Text1->text(), QStringLiteral("Crate"));

    // The same text again is stored again.
    m.click(m.form->Command1);
    QCOMPARE(m.file(), kInventory + "\"Crate\"\r\n\"Crate\"\r\n");
    QCOMPARE(m.form->List1->count(), 5);

    // A double quote is stored as an apostrophe, so the entry reads back whole.
    m.add("Pipe 1/2\" copper");
    QVERIFY(m.file().endsWith("\"Pipe 1/2' copper\"\r\n"));
    QVERIFY(m.form->List1->items().contains("Pipe 1/2' copper"));

    // Add makes a missing file.
    Manager fresh(QByteArray{});
    fresh.add("Crate");
    QCOMPARE(fresh.file(), QByteArray("\"Crate\"\r\n"));
    QCOMPARE(fresh.form->List1->items(), QStringList{"Crate"});
    // A last line left without its line end by an editor gets one first.
    Manager edited("\"Widget\"");
    edited.add("Bolt");
    QCOMPARE(edited.file(), QByteArray("\"Widget\"\r\n\"Bolt\"\r\n"));
}

void TestForm8::emptyDescriptionBlocksSave()
{
    Manager m;
    m.add("");
    QCOMPARE(m.file(), kInventory + "\"\"\r\n");
    QCOMPARE(m.form->List1->item(0), QString());
    const QByteArray withEmpty = m.file();
    m.click(m.form->Command5);
    QCOMPARE(m.file(), withEmpty);

    // Once the empty entry is removed, Save writes the list.
    m.select("");
    m.click(m.form->Command4);
    m.click(m.form->Command5);
    QCOMPARE(m.file(), QByteArray("\"Anchor\"\r\n\"bolt, 10 mm\"\r\n\"Widget\"\r\n"));
}

void TestForm8::removeItem()
{
    Manager m;
    m.load();
    // Nothing selected: nothing happens.
    m.click(m.form->Command4);
    QCOMPARE(m.form->List1->count(), 3);

    m.select("bolt, 10 mm");
    m.click(m.form->Command4);
    QCOMPARE(m.form->List1->items(), (QStringList{"Anchor", "Widget"}));
    QCOMPARE(m.file(), kInventory); // the list is a working copy
    // The next click removes nothing until an entry is chosen again.
    m.click(m.form->Command4);
    QCOMPARE(m.form->List1->count(), 2);
}

void TestForm8::removeThenAddBringsEntryBack()
{
    Manager m;
    m.load();
    m.select("Widget");
    m.click(m.form->Command4);
    m.add("Crate");
    QCOMPARE(m.form->List1->items(), (QStringList{"Anchor", "bolt, 10 mm", "Crate", "Widget"}));
}

void TestForm8::clearListThenSaveLeavesFile()
{
    Manager m;
    m.load();
    m.click(m.form->Command2);
    QCOMPARE(m.form->List1->count(), 0);
    m.click(m.form->Command5);
    QCOMPARE(m.file(), kInventory);

    Manager none(QByteArray{});
    none.click(none.form->Command5);
    QVERIFY(!none.dir.exists("inventory.dat"));
}

void TestForm8::clearEmptiesDescriptionOnly()
{
    Manager m;
    m.load();
    m.form->Text1->setText("Crate");
    m.click(m.form->Command7);
    QCOMPARE(m.form->Text1->text(), QString());
    QCOMPARE(m.form->List1->count(), 3);
    QCOMPARE(m.file(), kInventory);
}

void TestForm8::saveWritesListOrder()
{
    Manager m("\"pen\"\r\n\"Anchor\"\r\n\"Widget\"\r\n\"anchor\"\r\n");
    m.load();
    m.click(m.form->Command5);
    QCOMPARE(m.file(), QByteArray("\"Anchor\"\r\n\"anchor\"\r\n\"pen\"\r\n\"Widget\"\r\n"));
    QVERIFY(m.fake.messages.warnings.isEmpty());
}

void TestForm8::commaSurvivesSaveAndLoad()
{
    Manager m(QByteArray{});
    m.add("Bolt, 10 mm, zinc");
    m.add("Anchor");
    m.click(m.form->Command5);
    QCOMPARE(m.file(), QByteArray("\"Anchor\"\r\n\"Bolt, 10 mm, zinc\"\r\n"));
    m.click(m.form->Command2);
    m.load();
    QCOMPARE(m.form->List1->items(), (QStringList{"Anchor", "Bolt, 10 mm, zinc"}));
}

void TestForm8::failedWritesAreReported()
{
    Manager m;
    m.load();
    m.select("Widget");
    m.click(m.form->Command4);
    // The file turns into something no write can replace or extend.
    QVERIFY(QFile::remove(m.dir.filePath("inventory.dat")));
    QVERIFY(QDir(m.dir.path()).mkdir("inventory.dat"));

    m.add("Crate");
    QCOMPARE(m.fake.messages.warnings.size(), 1);
    QVERIFY(m.fake.messages.warnings[0].text.contains("\"inventory.dat\""));
    QCOMPARE(m.fake.messages.warnings[0].title, QStringLiteral("Quick Inventory Manager"));
    // The list keeps the unsaved removal; the box keeps its text.
    QCOMPARE(m.form->List1->items(), (QStringList{"Anchor", "bolt, 10 mm"}));
    QCOMPARE(m.form->Text1->text(), QStringLiteral("Crate"));

    m.click(m.form->Command5);
    QCOMPARE(m.fake.messages.warnings.size(), 2);
    QVERIFY(m.fake.messages.warnings[1].text.contains("\"inventory.dat\""));
    QCOMPARE(m.form->List1->items(), (QStringList{"Anchor", "bolt, 10 mm"}));

    // Mended, the same Save writes the list.
    QVERIFY(QDir(m.dir.path()).rmdir("inventory.dat"));
    m.click(m.form->Command5);
    QCOMPARE(m.fake.messages.warnings.size(), 2);
    QCOMPARE(m.file(), QByteArray("\"Anchor\"\r\n\"bolt, 10 mm\"\r\n"));
}

void TestForm8::newShowingStartsEmpty()
{
    WorkDir dir;
    dir.write("inventory.dat", kInventory);
    FakePlatform fake;
    AppWindows windows(fake.platform(), fake.journal);
    windows.showQuickInventory();
    QPointer<Form8> f = windows.quickInventory();
    QVERIFY(f && f->isVisible());
    QTest::mouseClick(f->Command3, Qt::LeftButton);
    f->Text1->setText("Crate");

    // Shown again while open: unchanged.
    windows.showQuickInventory();
    QCOMPARE(windows.quickInventory(), f.data());
    QCOMPARE(f->List1->count(), 3);

    // The close box destroys it with its list; the next showing starts empty.
    f->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!f);
    windows.showQuickInventory();
    f = windows.quickInventory();
    QVERIFY(f);
    QCOMPARE(f->List1->count(), 0);
    QCOMPARE(f->Text1->text(), QString());
    delete f;
}

QTEST_MAIN(TestForm8)
#include "test_form8.moc"
