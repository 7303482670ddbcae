// Every window keeps its proportions when the desktop scales it: started at 100 %, 150 % and
// 200 % (QT_SCALE_FACTOR), each control's place and size on the screen, in device pixels,
// grows by the scale, so that the design in twips is kept at every scale.

#include "fake_platform.h"
#include "work_dir.h"

#include "inventory/form8.h"
#include "receipt_preview/form3.h"
#include "sales_report/form4.h"
#include "sales_terminal/form1.h"
#include "settings/form2.h"

#include <QApplication>
#include <QProcess>
#include <QTest>
#include <QTextStream>

#include <cstdio>
#include <map>
#include <memory>

using namespace pos;
using namespace pos::testing;

namespace {

// Prints "window.control x y width height" in device pixels for every named control.
int measure()
{
    WorkDir dir;
    FakePlatform fake;
    RecordingWindows windows;
    std::vector<std::unique_ptr<QWidget>> forms;
    forms.push_back(std::make_unique<Form1>(fake.platform(), windows, fake.journal));
    forms.push_back(std::make_unique<Form2>(fake.platform()));
    forms.push_back(std::make_unique<Form3>(fake.platform()));
    forms.push_back(std::make_unique<Form4>(fake.platform(), fake.journal));
    forms.push_back(std::make_unique<Form8>(fake.platform()));
    QTextStream out(stdout);
    for (const auto &form : forms) {
        form->showNormal();
        QCoreApplication::processEvents();
        const qreal ratio = form->devicePixelRatioF();
        for (QWidget *control : form->findChildren<QWidget *>()) {
            const QString name = control->objectName();
            if (name.isEmpty() || name.startsWith(QLatin1String("qt_")) || !control->isVisibleTo(form.get()))
                continue;
            const QRect r = control->geometry();
            out << form->objectName() << '.' << name << ' ' << qRound(r.x() * ratio) << ' ' << qRound(r.y() * ratio)
                << ' ' << qRound(r.width() * ratio) << ' ' << qRound(r.height() * ratio) << '\n';
        }
    }
    out.flush();
    return 0;
}

std::map<QString, QList<int>> measured(const QString &scale)
{
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_SCALE_FACTOR"), scale);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--measure")});
    child.waitForFinished(60000);
    std::map<QString, QList<int>> controls;
    for (const QByteArray &line : child.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> parts = line.split(' ');
        if (parts.size() != 5)
            continue;
        controls[QString::fromLatin1(parts.at(0))] = {parts.at(1).toInt(), parts.at(2).toInt(), parts.at(3).toInt(),
                                                      parts.at(4).toInt()};
    }
    return controls;
}

} // namespace

class TestScaling : public QObject
{
    Q_OBJECT

private slots:
    void proportionsKept_data();
    void proportionsKept();
};

void TestScaling::proportionsKept_data()
{
    QTest::addColumn<QString>("scale");
    QTest::newRow("150 %") << "1.5";
    QTest::newRow("200 %") << "2";
}

void TestScaling::proportionsKept()
{
    QFETCH(QString, scale);
    const double factor = scale.toDouble();
    const std::map<QString, QList<int>> base = measured(QStringLiteral("1"));
    const std::map<QString, QList<int>> scaled = measured(scale);
    QVERIFY(base.size() > 80);
    QCOMPARE(scaled.size(), base.size());
    int checked = 0;
    for (const auto &[control, at100] : base) {
        const auto found = scaled.find(control);
        QVERIFY2(found != scaled.end(), qPrintable(control));
        // The design positions are whole pixels at 100 %; at another scale each is the same
        // place grown by the scale, give or take the rounding of a pixel or two.
        for (int i = 0; i < 4; ++i) {
            const double expected = at100.at(i) * factor;
            QVERIFY2(qAbs(found->second.at(i) - expected) <= 2.0 + factor,
                     qPrintable(QStringLiteral("%1: %2 at %3 is %4, not about %5")
                                    .arg(control, QStringList{"x", "y", "width", "height"}.at(i), scale)
                                    .arg(found->second.at(i))
                                    .arg(expected)));
        }
        ++checked;
    }
    QVERIFY(checked > 80);
}

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (app.arguments().contains(QStringLiteral("--measure")))
        return measure();
    TestScaling test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_scaling.moc"
