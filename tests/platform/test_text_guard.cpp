// Boxes whose text reaches a file: what typing, pasting and setting text leaves in them.

#include "core/formats/codepage.h"
#include "platform/text_guard.h"
#include "typing.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>

using namespace pos;

using pos::testing::typeText;

class TestTextGuard : public QObject
{
    Q_OBJECT

private slots:
    void storableText_data();
    void storableText();
    void lineBoxTypedPastedAndSet();
    void dropDownBox();
    void multiLineBox();
    void boxTextKeepsEveryCharacter();
};

void TestTextGuard::storableText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("single");
    QTest::addColumn<QString>("multi");
    QTest::newRow("plain") << "Ann"
                           << "Ann"
                           << "Ann";
    QTest::newRow("code page letters") << QString::fromUtf8("Café €5 “ok”") << QString::fromUtf8("Café €5 “ok”")
                                       << QString::fromUtf8("Café €5 “ok”");
    QTest::newRow("line breaks") << "a\r\nb\nc\rd"
                                 << "a  b c d"
                                 << "a\r\nb\nc\rd";
    QTest::newRow("tab and NUL") << QString("a\tb") + QChar(0) + "c"
                                 << "a b c" << QString("a\tb c");
    QTest::newRow("C1 control and DEL") << QString("a") + QChar(0x85) + QChar(0x7F) << "a  "
                                        << "a  ";
    QTest::newRow("CJK and A macron") << QString::fromUtf8("漢Āx") << "??x"
                                      << "??x";
    QTest::newRow("emoji is one character") << QString::fromUtf8("a😀b") << "a?b"
                                            << "a?b";
    // A line box's text goes into quoted fields, which cannot hold a double quote.
    QTest::newRow("double quotes") << "12\" pipe \"\""
                                   << "12' pipe ''"
                                   << "12\" pipe \"\"";
    QTest::newRow("lone surrogate") << QString("a") + QChar(0xD800) << "a?"
                                    << "a?";
}

void TestTextGuard::storableText()
{
    QFETCH(QString, text);
    QFETCH(QString, single);
    QFETCH(QString, multi);
    QCOMPARE(pos::storableText(text, BoxLines::Single), single);
    QCOMPARE(pos::storableText(text, BoxLines::Multi), multi);
    // What is left is stored as shown: toAnsi gives it back unchanged.
    QCOMPARE(fromAnsi(toAnsi(single)), single);
}

void TestTextGuard::lineBoxTypedPastedAndSet()
{
    QLineEdit box;
    box.setText(QString::fromUtf8("pre€ĀX"));
    keepStorable(&box);
    QCOMPARE(box.text(), QString::fromUtf8("pre€?X"));

    box.clear();
    typeText(&box, QString::fromUtf8("Zoë漢"));
    QCOMPARE(box.text(), QString::fromUtf8("Zoë?"));

    box.clear();
    QApplication::clipboard()->setText(QStringLiteral("Ann\r\nSmith"));
    box.paste();
    QCOMPARE(box.text(), QStringLiteral("Ann  Smith"));

    box.setText(QStringLiteral("one\ntwo"));
    QCOMPARE(box.text(), QStringLiteral("one two"));
}

void TestTextGuard::dropDownBox()
{
    QComboBox combo;
    combo.setEditable(true);
    keepStorable(&combo);
    combo.setEditText(QStringLiteral("Layaway\nPayment"));
    QCOMPARE(combo.currentText(), QStringLiteral("Layaway Payment"));
    typeText(combo.lineEdit(), QString::fromUtf8("ā"));
    QCOMPARE(combo.currentText(), QStringLiteral("Layaway Payment?"));
}

void TestTextGuard::multiLineBox()
{
    QPlainTextEdit box;
    box.setPlainText(QString::fromUtf8("Returns 漢"));
    keepStorable(&box);
    QCOMPARE(box.toPlainText(), QStringLiteral("Returns ?"));

    box.setPlainText(QString::fromUtf8("Line 1\nLine 2 😀\tend"));
    QCOMPARE(box.toPlainText(), QStringLiteral("Line 1\nLine 2 ?\tend"));

    box.clear();
    typeText(&box, QString::fromUtf8("a€Ā"));
    QCOMPARE(box.toPlainText(), QString::fromUtf8("a€?"));
}

void TestTextGuard::boxTextKeepsEveryCharacter()
{
    QPlainTextEdit box;
    keepStorable(&box);
    box.setPlainText(QString::fromUtf8("No\u00A0refunds.\r\nKeep\treceipt.\n"));
    QCOMPARE(boxText(&box), QString::fromUtf8("No\u00A0refunds.\nKeep\treceipt.\n"));
    // A line break typed with Shift+Return is a line break too.
    box.moveCursor(QTextCursor::End);
    QTest::keyClicks(&box, "Thanks");
    QTest::keyClick(&box, Qt::Key_Return, Qt::ShiftModifier);
    QTest::keyClicks(&box, "Bye");
    QCOMPARE(boxText(&box), QString::fromUtf8("No\u00A0refunds.\nKeep\treceipt.\nThanks\nBye"));
}

QTEST_MAIN(TestTextGuard)
#include "test_text_guard.moc"
