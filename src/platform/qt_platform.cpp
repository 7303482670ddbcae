#include "platform/qt_platform.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QFontMetricsF>
#include <QGroupBox>
#include <QMessageBox>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QRegularExpression>

#include <functional>

namespace pos {

QDateTime QtClock::now() const
{
    return QDateTime::currentDateTime();
}

QString qtFileFilter(const QString &filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts.at(i + 1);
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        entries << QStringLiteral("%1 (%2)").arg(parts.at(i), patterns);
    }
    if (entries.isEmpty())
        return QStringLiteral("All Files (*)");
    return entries.join(QStringLiteral(";;"));
}

std::optional<QString> QtDialogs::openFile(QWidget *parent, const OpenFileRequest &request)
{
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(request.fileMustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setNameFilter(qtFileFilter(request.filter));
    dialog.setDirectory(QDir::current());
    if (!request.title.isEmpty())
        dialog.setWindowTitle(request.title);
    if (!request.fileName.isEmpty())
        dialog.selectFile(request.fileName);
    for (;;) {
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return std::nullopt;
        const QString chosen = dialog.selectedFiles().constFirst();
        if (!request.pathMustExist || QFileInfo(chosen).absoluteDir().exists())
            return chosen;
        QMessageBox::warning(&dialog, dialog.windowTitle(),
                             QCoreApplication::translate("QFileDialog",
                                                         "%1\nDirectory not found.\n"
                                                         "Please verify the correct directory name was given.")
                                 .arg(QDir::toNativeSeparators(QFileInfo(chosen).absolutePath())));
    }
}

std::optional<QString> QtDialogs::chooseFolder(QWidget *parent, const QString &title, const QString &start)
{
    const QString chosen = QFileDialog::getExistingDirectory(parent, title, start);
    if (chosen.isEmpty())
        return std::nullopt;
    return chosen;
}

std::optional<FontChoice> QtDialogs::chooseFont(QWidget *parent, const FontRequest &request)
{
    QFontDialog dialog(parent);
    if (!request.effects) {
        // Qt's own dialog, whose effects section can be taken away.
        dialog.setOption(QFontDialog::DontUseNativeDialog);
        const QString effects = QCoreApplication::translate("QFontDialog", "Effects");
        for (QGroupBox *group : dialog.findChildren<QGroupBox *>()) {
            if (group->title() == effects)
                group->hide();
        }
    }
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const QFont font = dialog.selectedFont();
    return FontChoice{font.family(), font.bold(), font.italic(), font.pointSizeF()};
}

namespace {

// One job on the system's default printer: the document is painted and released at once.
PrintResult printJob(const QString &documentName, const std::function<void(QPrinter &, QPainter &)> &paint)
{
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull())
        return {false, QStringLiteral("No printer is installed, or none is set as the default "
                                      "printer. Nothing was printed.")};
    QPrinter printer(info, QPrinter::HighResolution);
    printer.setDocName(documentName);
    QPainter painter;
    if (painter.begin(&printer)) {
        paint(printer, painter);
        if (painter.end() && printer.printerState() != QPrinter::Error)
            return {};
    }
    return {false,
            QStringLiteral("The printer \"%1\" could not print. Nothing was printed.").arg(printer.printerName())};
}

} // namespace

PrintResult QtPrinter::printText(const QFont &font, const QString &text)
{
    return printJob(QStringLiteral("Receipt"), [&](QPrinter &printer, QPainter &painter) {
        painter.setFont(font);
        const QFontMetricsF metrics(painter.font(), painter.device());
        const qreal pageHeight = painter.viewport().height();
        qreal baseline = metrics.ascent();
        static const QRegularExpression lineEnd(QStringLiteral("\r\n|\n|\r"));
        const QStringList lines = text.split(lineEnd);
        for (const QString &line : lines) {
            if (baseline + metrics.descent() > pageHeight && baseline > metrics.ascent()) {
                printer.newPage();
                baseline = metrics.ascent();
            }
            painter.drawText(QPointF(0, baseline), line);
            baseline += metrics.lineSpacing();
        }
    });
}

PrintResult QtPrinter::printImage(const QImage &image)
{
    return printJob(QStringLiteral("Window"), [&](QPrinter &, QPainter &painter) {
        const QSize size = image.size().scaled(painter.viewport().size(), Qt::KeepAspectRatio);
        painter.drawImage(QRect(QPoint(0, 0), size), image);
    });
}

void QtMessages::warning(QWidget *parent, const QString &title, const QString &text)
{
    QMessageBox::warning(parent, title, text);
}

void QtMessages::information(QWidget *parent, const QString &title, const QString &text)
{
    QMessageBox::information(parent, title, text);
}

bool QtMessages::question(QWidget *parent, const QString &title, const QString &text)
{
    return QMessageBox::question(parent, title, text, QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
           == QMessageBox::Yes;
}

} // namespace pos
