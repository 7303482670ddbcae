// The window dialog object: what it asks of the platform's dialogs, what it keeps between
// showings, how a cancel shows, and that the working directory never moves.

#include "fake_platform.h"

#include "platform/common_dialog.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace pos;
using namespace pos::testing;

namespace {

// A dialog implementation that moves the working directory, as a careless platform dialog
// might.
class WanderingDialogs final : public Dialogs
{
public:
    QString wanderTo;
    std::optional<QString> openFile(QWidget *, const OpenFileRequest &) override
    {
        QDir::setCurrent(wanderTo);
        return wanderTo + QStringLiteral("/chosen.lwy");
    }
    std::optional<FontChoice> chooseFont(QWidget *, const FontRequest &) override
    {
        QDir::setCurrent(wanderTo);
        return std::nullopt;
    }
    std::optional<QString> chooseFolder(QWidget *, const QString &, const QString &) override
    {
        QDir::setCurrent(wanderTo);
        return std::nullopt;
    }
};

} // namespace

class TestCommonDialog : public QObject
{
    Q_OBJECT

private slots:
    void openFlagsReachTheDialog();
    void propertiesKeptBetweenShowings();
    void cancelIsTold();
    void fontFlagsAndResult();
    void workingDirectoryStays();
};

void TestCommonDialog::openFlagsReachTheDialog()
{
    ScriptedDialogs dialogs;
    dialogs.fileAnswers << QStringLiteral("/shop/03142004093010Ann.lwy");
    CommonDialog dialog(dialogs, nullptr);
    dialog.Filter = QStringLiteral("Layaway Files(*.lwy)|*.lwy");
    dialog.FileName.clear();
    dialog.DialogTitle = QStringLiteral("Open");
    dialog.Flags = 0x180C;
    QVERIFY(dialog.ShowOpen());
    QVERIFY(!dialog.Cancelled());
    QCOMPARE(dialog.FileName, QStringLiteral("/shop/03142004093010Ann.lwy"));

    QCOMPARE(dialogs.fileRequests.size(), 1);
    const OpenFileRequest &asked = dialogs.fileRequests.first();
    QCOMPARE(asked.filter, QStringLiteral("Layaway Files(*.lwy)|*.lwy"));
    QCOMPARE(asked.title, QStringLiteral("Open"));
    QCOMPARE(asked.fileName, QString());
    QVERIFY(asked.fileMustExist);
    QVERIFY(asked.pathMustExist);
    QVERIFY(asked.hideReadOnly);

    // No flags: a new name may be typed, in a folder that need not exist yet.
    CommonDialog plain(dialogs, nullptr);
    dialogs.fileAnswers << QStringLiteral("new.txt");
    QVERIFY(plain.ShowOpen());
    QVERIFY(!dialogs.fileRequests.last().fileMustExist);
    QVERIFY(!dialogs.fileRequests.last().pathMustExist);
    QVERIFY(!dialogs.fileRequests.last().hideReadOnly);
    QCOMPARE(plain.FileName, QStringLiteral("new.txt"));
}

void TestCommonDialog::propertiesKeptBetweenShowings()
{
    ScriptedDialogs dialogs;
    CommonDialog dialog(dialogs, nullptr);
    dialog.Filter = QStringLiteral("Text Files (*.txt)|*.txt");
    dialogs.fileAnswers << QStringLiteral("/shop/march.txt") << QStringLiteral("/shop/april.txt");
    QVERIFY(dialog.ShowOpen());
    QVERIFY(dialog.ShowOpen());
    // The second showing offers the name chosen at the first, under the same filter.
    QCOMPARE(dialogs.fileRequests.at(1).fileName, QStringLiteral("/shop/march.txt"));
    QCOMPARE(dialogs.fileRequests.at(1).filter, QStringLiteral("Text Files (*.txt)|*.txt"));
    QCOMPARE(dialog.FileName, QStringLiteral("/shop/april.txt"));
}

void TestCommonDialog::cancelIsTold()
{
    ScriptedDialogs dialogs;
    CommonDialog dialog(dialogs, nullptr);
    dialog.FileName = QStringLiteral("/shop/march.txt");
    dialogs.fileAnswers << std::nullopt << QString();
    QVERIFY(!dialog.ShowOpen());
    QVERIFY(dialog.Cancelled());
    // The name is left as it was, so the caller that emptied it sees an empty name.
    QCOMPARE(dialog.FileName, QStringLiteral("/shop/march.txt"));
    // An empty answer is no choice either.
    QVERIFY(!dialog.ShowOpen());
    QVERIFY(dialog.Cancelled());

    dialogs.fileAnswers << QStringLiteral("/shop/april.txt");
    QVERIFY(dialog.ShowOpen());
    QVERIFY(!dialog.Cancelled());
}

void TestCommonDialog::fontFlagsAndResult()
{
    ScriptedDialogs dialogs;
    CommonDialog dialog(dialogs, nullptr);
    dialog.Flags = 3;
    dialogs.fontAnswers << FontChoice{QStringLiteral("Arial"), true, false, 10} << std::nullopt;
    QVERIFY(dialog.ShowFont());
    QCOMPARE(dialog.FontName, QStringLiteral("Arial"));
    QVERIFY(dialog.FontBold);
    QVERIFY(!dialog.FontItalic);
    QCOMPARE(dialog.FontSize, 10.0);
    QCOMPARE(dialogs.fontRequests.size(), 1);
    QVERIFY(dialogs.fontRequests.first().screenFonts);
    QVERIFY(dialogs.fontRequests.first().printerFonts);
    QVERIFY(!dialogs.fontRequests.first().effects);

    // A cancelled font dialog keeps the last chosen font and says so.
    QVERIFY(!dialog.ShowFont());
    QVERIFY(dialog.Cancelled());
    QCOMPARE(dialog.FontName, QStringLiteral("Arial"));

    dialog.Flags = 0x103;
    dialogs.fontAnswers << std::nullopt;
    QVERIFY(!dialog.ShowFont());
    QVERIFY(dialogs.fontRequests.last().effects);
}

void TestCommonDialog::workingDirectoryStays()
{
    QTemporaryDir shop;
    QTemporaryDir elsewhere;
    const QString before = QDir::currentPath();
    QVERIFY(QDir::setCurrent(shop.path()));
    const QString shopPath = QDir::currentPath();

    WanderingDialogs dialogs;
    dialogs.wanderTo = elsewhere.path();
    CommonDialog dialog(dialogs, nullptr);
    QVERIFY(dialog.ShowOpen());
    QCOMPARE(QDir::currentPath(), shopPath);
    QVERIFY(!dialog.ShowFont());
    QCOMPARE(QDir::currentPath(), shopPath);
    QDir::setCurrent(before);
}

QTEST_GUILESS_MAIN(TestCommonDialog)
#include "test_common_dialog.moc"
