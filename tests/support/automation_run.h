#pragma once

// Runs the real program with --automation in a folder, the commands on its standard input, to
// its end.

#include <QList>
#include <QProcess>
#include <QString>

#include <utility>

namespace pos::testing {

struct AutomationRun
{
    int status = -1; // its exit status; -1 when it was killed, crashed or ran over a minute
    QString output;
};

inline AutomationRun runAutomation(const QString &program, const QString &folder, const QByteArray &commands,
                                   const QList<std::pair<QString, QString>> &environment = {})
{
    QProcess process;
    process.setProgram(program);
    process.setArguments({QStringLiteral("--automation")});
    process.setWorkingDirectory(folder);
    QProcessEnvironment variables = QProcessEnvironment::systemEnvironment();
    variables.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    for (const auto &[name, value] : environment)
        variables.insert(name, value);
    process.setProcessEnvironment(variables);
    process.start();
    process.write(commands);
    process.closeWriteChannel();
    AutomationRun run;
    if (process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit)
        run.status = process.exitCode();
    run.output = QString::fromUtf8(process.readAllStandardOutput());
    return run;
}

} // namespace pos::testing
