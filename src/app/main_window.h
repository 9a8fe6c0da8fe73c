#pragma once
// The program's one window. It owns everything the program keeps; its handlers are thin
// calls into the store and the Qt-free libraries.
//
// Start-up (FormCreate) runs in a fixed order: single-instance guard, data source
// registration, window size and position, status text, table reset.

#include <QLabel>
#include <QTimer>
#include <QWidget>

#include <memory>
#include <string>

#include "platform/data_source_registration.h"
#include "platform/dialogs.h"
#include "platform/instance_guard.h"
#include "store/measurement_table.h"

class QFrame;

namespace kelvatrix {

struct StartupSettings {
  std::string applicationTitle;
  DataSourceSettings dataSource;
};

class MainWindow : public QWidget {
  Q_OBJECT

 public:
  enum class StartupOutcome {
    Started,          // every step ran
    Refused,          // another instance runs; the window must not be shown
    StoppedEarly,     // registration failed; the later steps were skipped
    Failed,           // a step raised an error, shown in the standard error box
  };

  MainWindow(StartupSettings settings, Dialogs& dialogs, QWidget* parent = nullptr);
  ~MainWindow() override;

  // Runs FormCreate the way the window framework does: an error escaping it is shown in
  // the standard error box, and the window still opens.
  StartupOutcome RunFormCreate();
  // The error text of a Failed start-up.
  const std::string& StartupError() const { return startupError_; }

  void FormCreate();
  void Timer1Timer();

  QLabel* Label1() const { return label1_; }
  QTimer* Timer1() const { return timer1_; }
  MeasurementTable& Table1() { return *table1_; }
  bool DevConnected() const { return devConnected_; }

 private:
  bool GuardSingleInstance();
  void PlaceWindow();

  StartupSettings settings_;
  Dialogs& dialogs_;
  InstanceGuard instanceGuard_;
  StartupOutcome outcome_ = StartupOutcome::Started;
  std::string startupError_;

  QFrame* panel2_ = nullptr;
  QLabel* label1_ = nullptr;
  QTimer* timer1_ = nullptr;
  std::unique_ptr<MeasurementTable> table1_;
  bool devConnected_ = false;
};

}  // namespace kelvatrix
