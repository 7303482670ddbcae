// Faults of the shop folder met by every writer and reader of the windows: a full disk, a
// read-only folder, a folder, a named pipe or a device where a data file should be. Each
// action runs to its end (nothing hangs), the user is told in a message naming the file when
// something could not be saved, nothing is reported as saved that was not, and the files keep
// what they held (or, where the fault still let the write through, hold what was saved).
//
// The full disk and, for root, the read-only folder are small file systems the test mounts
// when it runs as root; without root those cases skip, and the read-only folder is made with
// permissions.

#include "app/shop_lock.h"
#include "fake_platform.h"

#include "inventory/form8.h"
#include "platform/controls.h"
#include "sales_report/form4.h"
#include "sales_terminal/form1.h"
#include "settings/form2.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <map>
#include <memory>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace pos;
using namespace pos::testing;

namespace {

const std::map<QString, QByteArray> kShop{
    {"Header.txt", "\"Corvalane Hardware\"\r\n"},
    {"tax.txt", "\"6\",\"1\",\"5\"\r\n"},
    {"return.txt", "\"Returns within 30 days.\"\r\n"},
    {"font.txt", "\"Arial\",#FALSE#,#FALSE#,10\r\n"},
    {"inventory.dat", "\"Widget\"\r\n\"Bolt\"\r\n"},
    {"sales.txt",
     "\"Reciept# 03-14-200409:05:33      Sale   Salesperson: Ann\",\"$9.00\",\"$.54\",\"$9.54\",\"Cash\"\r\n"},
    {"reciept.txt", "old receipt\r\n"},
};

bool runningAsRoot()
{
#ifdef Q_OS_UNIX
    return ::geteuid() == 0;
#else
    return false;
#endif
}

bool run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    return process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

// A shop folder: a plain temporary folder, or a small file system of its own (as root).
class Shop
{
public:
    explicit Shop(const QString &mountOptions = QString())
    {
        m_path = m_dir.path();
        if (!mountOptions.isEmpty()) {
            m_path = m_dir.filePath("mnt");
            QDir().mkpath(m_path);
            m_mounted = run("mount", {"-t", "tmpfs", "-o", mountOptions, "corvalane-test", m_path});
        }
        m_previous = QDir::currentPath();
        QDir::setCurrent(m_path);
        for (const auto &[name, bytes] : kShop)
            put(name, bytes);
    }
    ~Shop()
    {
        QDir::setCurrent(m_previous);
        if (m_mounted)
            run("umount", {m_path});
    }
    bool mounted() const { return m_mounted; }
    QString path() const { return m_path; }
    QString file(const QString &name) const { return QDir(m_path).filePath(name); }

    void put(const QString &name, const QByteArray &bytes) const
    {
        QFile f(file(name));
        if (f.open(QIODevice::WriteOnly))
            f.write(bytes);
    }
    QByteArray read(const QString &name) const
    {
        if (!QFileInfo(file(name)).isFile())
            return "<not a file>";
        QFile f(file(name));
        if (!f.open(QIODevice::ReadOnly))
            return "<unreadable>";
        return f.readAll();
    }
    // Fills the file system to its last byte.
    void fill() const
    {
        QFile f(file("filler"));
        if (!f.open(QIODevice::WriteOnly))
            return;
        const QByteArray block(4096, 'x');
        while (f.write(block) == block.size()) { }
        f.close();
        QFile tail(file("filler-tail"));
        if (tail.open(QIODevice::WriteOnly)) {
            while (tail.write("x", 1) == 1 && tail.flush()) { }
        }
    }
    bool remountReadOnly() const { return run("mount", {"-o", "remount,ro", m_path}); }

private:
    QTemporaryDir m_dir;
    QString m_path;
    QString m_previous;
    bool m_mounted = false;
};

// The windows, all of them, on one fake platform.
struct Windows
{
    Windows()
    {
        form1 = std::make_unique<Form1>(fake.platform(), others, fake.journal);
        form2 = std::make_unique<Form2>(fake.platform());
        form4 = std::make_unique<Form4>(fake.platform(), fake.journal);
        form8 = std::make_unique<Form8>(fake.platform());
    }
    FakePlatform fake;
    RecordingWindows others;
    std::unique_ptr<Form1> form1;
    std::unique_ptr<Form2> form2;
    std::unique_ptr<Form4> form4;
    std::unique_ptr<Form8> form8;
};

struct Action
{
    QString name;
    QStringList files; // the files it writes; one of them must be named when it fails
    std::function<void(Windows &, const Shop &)> run;
};

QList<Action> writingActions()
{
    return {
        {"Close Order",
         {"sales.txt", "reciept.txt"},
         [](Windows &w, const Shop &) {
             QTest::mouseClick(w.form1->Command3, Qt::LeftButton);
             w.form1->txtQty1->setText("2");
             w.form1->Price1->setText("4.50");
             QTest::mouseClick(w.form1->Command1, Qt::LeftButton);
             QTest::mouseClick(w.form1->Command2, Qt::LeftButton);
         }},
        {"Save Return",
         {"return.txt"},
         [](Windows &w, const Shop &) {
             w.form2->Text1->setPlainText("No returns.");
             QTest::mouseClick(w.form2->Command1, Qt::LeftButton);
         }},
        {"Save Header",
         {"Header.txt"},
         [](Windows &w, const Shop &) {
             w.form2->Text2->setText("New Shop");
             QTest::mouseClick(w.form2->Command12, Qt::LeftButton);
             QTest::mouseClick(w.form2->Command6, Qt::LeftButton);
         }},
        {"Set Tax",
         {"tax.txt"},
         [](Windows &w, const Shop &) {
             w.form2->Combo4->setEditText("7.25");
             QTest::mouseClick(w.form2->Command10, Qt::LeftButton);
         }},
        {"Set Font",
         {"font.txt"},
         [](Windows &w, const Shop &) {
             w.fake.dialogs.fontAnswers << FontChoice{"Courier New", true, false, 12};
             QTest::mouseClick(w.form2->Command8, Qt::LeftButton);
         }},
        {"Add description",
         {"inventory.dat"},
         [](Windows &w, const Shop &) {
             w.form8->Text1->setText("Hinge");
             QTest::mouseClick(w.form8->Command1, Qt::LeftButton);
         }},
        {"Save inventory",
         {"inventory.dat"},
         [](Windows &w, const Shop &) {
             QTest::mouseClick(w.form8->Command3, Qt::LeftButton);
             QTest::mouseClick(w.form8->Command5, Qt::LeftButton);
         }},
        {"Set Cutoff",
         {"history.txt", "sales.txt"},
         [](Windows &w, const Shop &shop) {
             w.fake.dialogs.fileAnswers << shop.file("history.txt");
             QTest::mouseClick(w.form4->Command2, Qt::LeftButton);
         }},
    };
}

// Runs every writing action on a shop the fault has been put into, and checks each one.
void checkEveryWriter(Shop &shop, const std::function<void(Shop &)> &fault, const QString &faultName)
{
    for (const Action &action : writingActions()) {
        Windows windows;
        const std::map<QString, QByteArray> before = [&] {
            std::map<QString, QByteArray> files;
            for (const auto &[name, bytes] : kShop)
                files[name] = shop.read(name);
            return files;
        }();
        fault(shop);
        windows.fake.messages.warnings.clear();
        action.run(windows, shop);

        const QString where = faultName + ", " + action.name;
        bool named = false;
        for (const Message &message : windows.fake.messages.warnings) {
            for (const QString &file : action.files)
                named = named || message.text.contains(file);
        }
        bool changed = false;
        for (const auto &[name, bytes] : before)
            changed = changed || (QFileInfo(shop.file(name)).isFile() && shop.read(name) != bytes);
        if (!named) {
            // Not told of a failure: then it was saved (a full disk still takes a few bytes
            // into a block a file already has).
            QVERIFY2(windows.fake.messages.warnings.isEmpty() && changed,
                     qPrintable(where + ": nothing saved and no message names the file ("
                                + QString::number(windows.fake.messages.warnings.size()) + " messages)"));
            continue;
        }
        // Told of a failure: nothing was printed as if the sale had gone through, and the
        // files hold what they held.
        QVERIFY2(windows.fake.printer.jobs.isEmpty(), qPrintable(where + ": a receipt was printed"));
        for (const auto &[name, bytes] : before) {
            if (QFileInfo(shop.file(name)).isFile())
                QVERIFY2(shop.read(name) == bytes, qPrintable(where + ": " + name + " changed"));
        }
    }
}

} // namespace

class TestFaults : public QObject
{
    Q_OBJECT

private slots:
    void folderInTheFilesPlace();
    void pipeInTheFilesPlace();
    void readOnlyFolder();
    void unwritableFolderToldAtStart();
    void fullDisk();
    void readersMeetPipesAndDevices();
};

void TestFaults::folderInTheFilesPlace()
{
    Shop shop;
    checkEveryWriter(
        shop,
        [](Shop &s) {
            for (const char *name : {"sales.txt", "reciept.txt", "return.txt", "Header.txt", "tax.txt", "font.txt",
                                     "inventory.dat", "history.txt"}) {
                QFile::remove(s.file(name));
                QDir().mkpath(s.file(name));
            }
        },
        "a folder in each file's place");
}

void TestFaults::pipeInTheFilesPlace()
{
#ifdef Q_OS_UNIX
    Shop shop;
    checkEveryWriter(
        shop,
        [](Shop &s) {
            for (const char *name : {"sales.txt", "reciept.txt", "return.txt", "Header.txt", "tax.txt", "font.txt",
                                     "inventory.dat", "history.txt"}) {
                QFile::remove(s.file(name));
                QDir(s.file(name)).removeRecursively();
                ::mkfifo(QFile::encodeName(s.file(name)).constData(), 0600);
            }
        },
        "a named pipe in each file's place");
#else
    QSKIP("needs named pipes");
#endif
}

void TestFaults::readOnlyFolder()
{
    if (runningAsRoot()) {
        Shop shop("size=1m");
        if (!shop.mounted())
            QSKIP("could not mount a file system for the test");
        checkEveryWriter(
            shop, [](Shop &s) { s.remountReadOnly(); }, "a read-only folder");
        return;
    }
#ifdef Q_OS_UNIX
    Shop shop;
    for (const auto &[name, bytes] : kShop)
        QFile::setPermissions(shop.file(name), QFileDevice::ReadOwner);
    QFile::setPermissions(shop.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    checkEveryWriter(
        shop, [](Shop &) {}, "a read-only folder");
    QFile::setPermissions(shop.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
#else
    QSKIP("needs permission bits");
#endif
}

// A start in a folder where nothing can be written is refused at once, naming the folder and
// the system's reason; a folder that can be written is not, and the look leaves nothing there.
void TestFaults::unwritableFolderToldAtStart()
{
    {
        Shop shop;
        const QStringList before = QDir(shop.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System);
        QCOMPARE(unwritableShopFolder(shop.path()), QString());
        QCOMPARE(QDir(shop.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System), before);
    }
#ifdef Q_OS_WIN
    QSKIP("a folder is made unwritable by an access list, which Wine does not enforce");
#else
    Shop shop(runningAsRoot() ? QStringLiteral("size=1m") : QString());
    if (runningAsRoot()) {
        if (!shop.mounted())
            QSKIP("could not mount a file system for the test");
        QVERIFY(shop.remountReadOnly());
    } else {
        QFile::setPermissions(shop.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    }
    const QString told = unwritableShopFolder(shop.path());
    QFile::setPermissions(shop.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QVERIFY2(told.startsWith(QStringLiteral("Nothing can be written in the shop folder \"%1\" (")
                                 .arg(QDir::toNativeSeparators(shop.path()))),
             qPrintable(told));
    QVERIFY2(told.contains(QLatin1String("No sale could be recorded there.")), qPrintable(told));
#endif
}

void TestFaults::fullDisk()
{
#ifdef Q_OS_WIN
    QSKIP("a full disk needs a small file system mounted for the test (a 256 KB tmpfs on Linux), which Windows "
          "does not mount on a folder");
#endif
    if (!runningAsRoot())
        QSKIP("a full disk needs a small file system mounted for the test, which needs root");
    Shop shop("size=256k");
    if (!shop.mounted())
        QSKIP("could not mount a file system for the test");
    checkEveryWriter(
        shop, [](Shop &s) { s.fill(); }, "a full disk");
}

void TestFaults::readersMeetPipesAndDevices()
{
#ifdef Q_OS_UNIX
    // Every file the windows read is a pipe with no writer, or a device that never ends or
    // gives random bytes: opening the windows and their loads must not hang.
    for (const char *kind : {"pipe", "/dev/zero", "/dev/urandom"}) {
        Shop shop;
        for (const auto &[name, bytes] : kShop) {
            QFile::remove(shop.file(name));
            if (QByteArray(kind) == "pipe")
                ::mkfifo(QFile::encodeName(shop.file(name)).constData(), 0600);
            else
                QFile::link(QString::fromLatin1(kind), shop.file(name));
        }
        Windows windows;
        QTest::mouseClick(windows.form8->Command3, Qt::LeftButton);
        QTest::mouseClick(windows.form2->Command11, Qt::LeftButton);
        windows.fake.dialogs.fileAnswers << shop.file("sales.txt");
        QTest::mouseClick(windows.form4->Command3, Qt::LeftButton);
        QCOMPARE(windows.form8->List1->count(), 0);
        QVERIFY2(windows.form1->List1->count() >= 1, kind);
        // Each window that could not read a file says so, naming it.
        QStringList told;
        for (const Message &message : windows.fake.messages.warnings)
            told << message.text;
        for (const char *name : {"\"inventory.dat\"", "\"return.txt\"", "\"Header.txt\"", "\"tax.txt\"", "sales.txt"})
            QVERIFY2(told.join('\n').contains(QLatin1String(name)),
                     qPrintable(QString(kind) + ": " + name + " not told"));
    }
#else
    QSKIP("needs named pipes");
#endif
}

QTEST_MAIN(TestFaults)
#include "test_faults.moc"
