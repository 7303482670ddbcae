// Where the program keeps the shop: the folder it was started in, or the user's own shop
// folder when started from the desktop entry.

#include "app/shop_folder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

using namespace pos;

namespace {

// The variable that names the user's data location: the tests point it at a folder of their
// own, never at a real user's shop.
#ifdef Q_OS_WIN
constexpr char kDataVariable[] = "LOCALAPPDATA";
#else
constexpr char kDataVariable[] = "XDG_DATA_HOME";
#endif

} // namespace

class TestShopFolder : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void terminalStartKeepsFolder();
    void desktopStartMakesUserShop();
    void userShopThatCannotBeMade();
    void userShopIsPrivate();
    void iconHasEverySize();
    void windowsIconIsTheProgramIcon();
    void noShopInProgramOrSystemFolder_data();
    void noShopInProgramOrSystemFolder();

private:
    QTemporaryDir m_data;
    QString m_start;
};

void TestShopFolder::initTestCase()
{
    qputenv(kDataVariable, QFile::encodeName(m_data.path()));
    m_start = QDir::currentPath();
}

void TestShopFolder::cleanup()
{
    QDir::setCurrent(m_start);
}

void TestShopFolder::terminalStartKeepsFolder()
{
    QTemporaryDir shop;
    // Left before the folder goes: Windows removes no process's working folder.
    const auto back = qScopeGuard([this] { QDir::setCurrent(m_start); });
    QVERIFY(QDir::setCurrent(shop.path()));
    const QString before = QDir::currentPath();
    QString error;
    QVERIFY(enterShopFolder(false, error));
    QCOMPARE(QDir::currentPath(), before);
    QVERIFY(error.isEmpty());
}

void TestShopFolder::desktopStartMakesUserShop()
{
    QCOMPARE(userShopFolder(), m_data.path() + "/corvalane-pos/shop");
    QVERIFY(!QDir(userShopFolder()).exists());
    QString error;
    QVERIFY(enterShopFolder(true, error));
    QCOMPARE(QDir::currentPath(), QDir(userShopFolder()).canonicalPath());
    // Made empty; the owner fills it through the program.
    QVERIFY(QDir(userShopFolder()).isEmpty());

    // The second start finds the shop as it was left.
    QFile tax(QDir(userShopFolder()).filePath("tax.txt"));
    QVERIFY(tax.open(QIODevice::WriteOnly));
    tax.write("\"6\",\"1\",\"5\"\r\n");
    tax.close();
    QDir::setCurrent(m_start);
    QVERIFY(enterShopFolder(true, error));
    QVERIFY(QFile::exists("tax.txt"));
}

void TestShopFolder::userShopThatCannotBeMade()
{
    // A file where the program's data folder should be.
    QTemporaryDir data;
    QFile blocker(data.filePath("corvalane-pos"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    qputenv(kDataVariable, QFile::encodeName(data.path()));
    const QString before = QDir::currentPath();
    QString error;
    QVERIFY(!enterShopFolder(true, error));
    QVERIFY2(error.contains(QDir::toNativeSeparators(userShopFolder())), qPrintable(error));
    QCOMPARE(QDir::currentPath(), before);
    qputenv(kDataVariable, QFile::encodeName(m_data.path()));
}

void TestShopFolder::userShopIsPrivate()
{
#ifdef Q_OS_WIN
    QSKIP("a folder under %LOCALAPPDATA% is the user's own by its permissions there");
#else
    const auto mode = [](const QString &path) {
        return QFileInfo(path).permissions() & ~(QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ExeUser);
    };
    const QFileDevice::Permissions userOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner;
    const QFileDevice::Permissions shared =
        userOnly | QFileDevice::ReadGroup | QFileDevice::ExeGroup | QFileDevice::ReadOther | QFileDevice::ExeOther;
    // A data location whose folder is there and open to all, as the owner made it, and a second
    // one whose last folders are missing.
    QTemporaryDir scratch;
    const QString existing = scratch.filePath("share");
    QVERIFY(QDir().mkdir(existing, shared));
    const QString missing = scratch.filePath("home/.local/share");
    for (const QString &data : {existing, missing}) {
        qputenv(kDataVariable, QFile::encodeName(data));
        QString error;
        QVERIFY2(enterShopFolder(true, error), qPrintable(error));
        QDir::setCurrent(m_start);
        // What the start made is the user's alone; what was there keeps its mode.
        QCOMPARE(mode(userShopFolder()), userOnly);
        QCOMPARE(mode(data + "/corvalane-pos"), userOnly);
        QCOMPARE(mode(data), data == existing ? shared : userOnly);
    }
    QCOMPARE(mode(scratch.filePath("home")), userOnly);
    qputenv(kDataVariable, QFile::encodeName(m_data.path()));
#endif
}

void TestShopFolder::iconHasEverySize()
{
    const QIcon icon = programIcon();
    QVERIFY(!icon.isNull());
    const QList<QSize> sizes = icon.availableSizes();
    for (int side : {16, 32, 48, 64, 128, 256})
        QVERIFY2(sizes.contains(QSize(side, side)), qPrintable(QString::number(side)));
}

// The .ico the Windows program file and its setup program carry holds the images of data/icons,
// pixel for pixel (compared premultiplied: a BMP image keeps no colour for a fully transparent
// pixel): made again when they change.
void TestShopFolder::windowsIconIsTheProgramIcon()
{
    QImageReader ico(QStringLiteral(POS_SOURCE_DIR "/data/windows/corvalane-pos.ico"));
    QList<int> sides;
    for (int index = 0; index < ico.imageCount(); ++index) {
        QVERIFY(ico.jumpToImage(index));
        const QImage image = ico.read().convertToFormat(QImage::Format_ARGB32_Premultiplied);
        QVERIFY2(!image.isNull(), qPrintable(ico.errorString()));
        const int side = image.width();
        const QString png =
            QStringLiteral(POS_SOURCE_DIR "/data/icons/hicolor/%1x%1/apps/org.corvalane.PointOfSale.png").arg(side);
        QCOMPARE(image, QImage(png).convertToFormat(QImage::Format_ARGB32_Premultiplied));
        sides << side;
    }
    QCOMPARE(sides, (QList<int>{16, 24, 32, 48, 64, 128, 256}));
}

void TestShopFolder::noShopInProgramOrSystemFolder_data()
{
    // Folders under one temporary folder: "program" stands for the program's own folder,
    // "system" for the Windows folder.
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("refusal"); // what the refusal names the folder as; empty: taken
    QTest::newRow("the program's folder") << "program"
                                          << "the program's own folder";
    QTest::newRow("a folder in the program's") << "program/platforms"
                                               << "the program's own folder";
    QTest::newRow("reached by ..") << "shop/../program"
                                   << "the program's own folder";
    QTest::newRow("the system folder") << "system"
                                       << "a folder of the system";
    QTest::newRow("a folder in the system's") << "system/system32"
                                              << "a folder of the system";
    QTest::newRow("a name that begins alike") << "program files"
                                              << "";
    QTest::newRow("a shop folder") << "shop"
                                   << "";
    QTest::newRow("not there") << "gone"
                               << "";
#ifdef Q_OS_WIN
    QTest::newRow("the program's folder in capitals") << "PROGRAM"
                                                      << "the program's own folder";
#else
    QTest::newRow("a link to the program's folder") << "link"
                                                    << "the program's own folder";
#endif
}

void TestShopFolder::noShopInProgramOrSystemFolder()
{
    QFETCH(QString, start);
    QFETCH(QString, refusal);
    QTemporaryDir root;
    for (const char *folder : {"program/platforms", "system/system32", "program files", "shop"})
        QVERIFY(QDir(root.path()).mkpath(folder));
    QFile::link(root.filePath("program"), root.filePath("link"));
    const QString folder = root.filePath(start);
    const QString told = shopFolderRefusal(folder, root.filePath("program"), {root.filePath("system")});
    if (refusal.isEmpty()) {
        QVERIFY2(told.isEmpty(), qPrintable(told));
        return;
    }
    // It names the folder, what it is, and how to start the program.
    QVERIFY2(told.contains(QString("\"%1\", %2,").arg(QDir::toNativeSeparators(folder), refusal)), qPrintable(told));
#ifdef Q_OS_WIN
    // In Windows' terms: the shortcut and the setup program's page that chooses its folder;
    // in the Windows folder, why Windows started it there.
    QVERIFY2(told.contains("from its shortcut") && told.contains("shop-folder page"), qPrintable(told));
    QVERIFY2(!told.contains("--user-shop") && !told.contains("desktop entry"), qPrintable(told));
    QCOMPARE(told.contains("longer than 258 characters"), refusal == QLatin1String("a folder of the system"));
#else
    QVERIFY2(told.contains("desktop entry") && told.contains("--user-shop"), qPrintable(told));
    QVERIFY2(told.contains(QDir::toNativeSeparators(userShopFolder())), qPrintable(told));
#endif
}

QTEST_MAIN(TestShopFolder)
#include "test_shop_folder.moc"
