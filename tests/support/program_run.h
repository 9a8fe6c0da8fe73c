#pragma once
// Runs the program as a user would, in a directory of the test's, and collects what it
// printed (standard output and error together).

#include <QString>
#include <QStringList>

namespace kelvatrix::test {

struct ProgramRun {
  int exitCode = -1;
  QString output;
};

// `environment` adds or replaces variables ("LC_ALL=de_DE.UTF-8") of the test's own.
ProgramRun RunProgram(const QString& program, const QString& directory,
                      const QStringList& arguments, int timeoutMs = 60000,
                      const QStringList& environment = {});

// Writes `run` into DIRECTORY/run.txt and runs `program --batch --simulate=DIRECTORY/run.txt`.
ProgramRun RunBatch(const QString& program, const QString& directory, const QString& run);

}  // namespace kelvatrix::test
