#include "program_run.h"

#include <QFile>
#include <QProcess>

namespace kelvatrix::test {

ProgramRun RunProgram(const QString& program, const QString& directory,
                      const QStringList& arguments, int timeoutMs, const QStringList& environment) {
  QProcess process;
  process.setWorkingDirectory(directory);
  QProcessEnvironment variables = QProcessEnvironment::systemEnvironment();
  for (const QString& variable : environment) {
    const qsizetype equals = variable.indexOf(QLatin1Char('='));
    variables.insert(variable.left(equals), variable.mid(equals + 1));
  }
  process.setProcessEnvironment(variables);
  process.setProcessChannelMode(QProcess::MergedChannels);
  process.start(program, arguments);
  if (!process.waitForFinished(timeoutMs)) {
    process.kill();
    process.waitForFinished(5000);
    // Said, so a test that fails on the exit code shows the program hung, not that it failed.
    return {-1, QString::fromLocal8Bit(process.readAll()) +
                    QStringLiteral("\n(the program still ran after %1 s and was stopped)")
                        .arg(timeoutMs / 1000)};
  }
  if (process.exitStatus() == QProcess::CrashExit) {
    return {-1,
            QString::fromLocal8Bit(process.readAll()) + QStringLiteral("\n(the program crashed)")};
  }
  return {process.exitCode(), QString::fromLocal8Bit(process.readAll())};
}

ProgramRun RunBatch(const QString& program, const QString& directory, const QString& run) {
  const QString runFile = directory + QStringLiteral("/run.txt");
  QFile file(runFile);
  if (!file.open(QIODevice::WriteOnly)) return {-1, QStringLiteral("cannot write ") + runFile};
  file.write(run.toUtf8());
  file.close();
  return RunProgram(program, directory,
                    {QStringLiteral("--batch"), QStringLiteral("--simulate=") + runFile});
}

}  // namespace kelvatrix::test
