// Quick Inventory Manager figures over a 100,000-line "inventory.dat", printed as
// "name: value unit", all measured in this one run:
//
//   inventory_read_100k_ms  the file's fields read with the quoted-field reader alone
//   inventory_load_100k_ms  "Load Inventory File": file read, list sorted, list painted
//   inventory_save_100k_ms  "Save": the sorted list written back, the file replaced whole
//
// Each figure is the median of several runs.

#include "fake_platform.h"

#include "core/formats/inventory_file.h"
#include "core/formats/records.h"
#include "core/formats/shop_files.h"
#include "core/storage/file_io.h"
#include "inventory/form8.h"
#include "platform/controls.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QPushButton>
#include <QScopeGuard>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <random>
#include <vector>

namespace {

constexpr int kEntries = 100000;
constexpr int kRuns = 7;

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void print(const char *name, double value, const char *unit)
{
    std::printf("%s: %.4f %s\n", name, value, unit);
    std::fflush(stdout);
}

// Descriptions as a shop types them: words in mixed case, sizes, commas, in no order.
QByteArray inventoryFile()
{
    const QStringList words{"Bolt",   "hex",  "Nut",   "washer", "Screw", "wood",  "Hinge",  "brass", "Paint",  "white",
                            "Roller", "tape", "Glove", "work",   "Cord",  "LED",   "bulb",   "Pipe",  "copper", "Drill",
                            "bit",    "Saw",  "blade", "Rope",   "nylon", "Chain", "Anchor", "wall"};
    std::mt19937 random(20040314);
    std::uniform_int_distribution<int> word(0, static_cast<int>(words.size()) - 1);
    std::uniform_int_distribution<int> size(1, 250);
    pos::RecordWriter writer;
    for (int i = 0; i < kEntries; ++i) {
        const QString description = QStringLiteral("%1 %2, %3 mm %4")
                                        .arg(words.at(word(random)), words.at(word(random)))
                                        .arg(size(random))
                                        .arg(words.at(word(random)));
        writer.text(description).endRecord();
    }
    return writer.bytes();
}

// Notes the list's first paint after a load.
class PaintWatch : public QObject
{
public:
    bool painted = false;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            painted = true;
        return false;
    }
};

double readCost()
{
    std::vector<double> ms;
    for (int run = 0; run < kRuns; ++run) {
        QElapsedTimer timer;
        timer.start();
        const QStringList fields = pos::readInventoryFile().fields;
        ms.push_back(timer.nsecsElapsed() / 1e6);
        if (fields.size() != kEntries)
            std::fprintf(stderr, "read %lld fields, expected %d\n", static_cast<long long>(fields.size()), kEntries);
    }
    return median(ms);
}

double loadCost(pos::Form8 &form)
{
    PaintWatch watch;
    form.List1->viewport()->installEventFilter(&watch);
    std::vector<double> ms;
    for (int run = 0; run < kRuns; ++run) {
        form.Command2->click(); // an empty list before each load
        QCoreApplication::processEvents();
        watch.painted = false;
        QElapsedTimer timer;
        timer.start();
        form.Command3->click();
        while (!watch.painted)
            QCoreApplication::processEvents();
        ms.push_back(timer.nsecsElapsed() / 1e6);
    }
    form.List1->viewport()->removeEventFilter(&watch);
    return median(ms);
}

double saveCost(pos::Form8 &form)
{
    std::vector<double> ms;
    for (int run = 0; run < kRuns; ++run) {
        QElapsedTimer timer;
        timer.start();
        form.Command5->click();
        ms.push_back(timer.nsecsElapsed() / 1e6);
    }
    return median(ms);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);

    QTemporaryDir shop;
    // Back out of the folder before it goes: Windows removes no process's working folder.
    const auto back = qScopeGuard([start = QDir::currentPath()] { QDir::setCurrent(start); });
    QDir::setCurrent(shop.path());
    if (!pos::writeFileWhole(pos::kInventoryFile, inventoryFile())) {
        std::fprintf(stderr, "could not write the benchmark's inventory file\n");
        return 1;
    }

    pos::testing::FakePlatform fake;
    pos::Form8 form(fake.platform());
    form.show();
    QCoreApplication::processEvents();

    print("inventory_read_100k_ms", readCost(), "ms");
    print("inventory_load_100k_ms", loadCost(form), "ms");
    if (form.List1->count() != kEntries) {
        std::fprintf(stderr, "the list holds %d entries, expected %d\n", form.List1->count(), kEntries);
        return 1;
    }
    print("inventory_save_100k_ms", saveCost(form), "ms");
    if (!fake.messages.warnings.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(fake.messages.warnings.first().text));
        return 1;
    }
    return 0;
}
