#pragma once
// What the window tests drive: a test database, scripted dialogs, Qt's message loop and a
// virtual HID bus, the program's window over them, and a simulated meter when a test
// plugs one in. A test class derives from it after QObject.

#include <QTest>

#include <functional>
#include <memory>

#include "gui/qt/qt_main_window.h"
#include "gui/qt/qt_message_loop.h"
#include "hid/backends/virtual/virtual_hid_bus.h"
#include "platform/scripted_dialogs.h"
#include "protocol/virtual_meter.h"
#include "test_data_source.h"

namespace kelvatrix::test {

class WindowRig {
 protected:
  // Makes the window titled `title`, lets `prepare` set it up, and starts it.
  void OpenWindow(const char* title, const std::function<void(QtMainWindow&)>& prepare = {}) {
    window_ = std::make_unique<QtMainWindow>(StartupSettings{title, source_->Settings()}, dialogs_,
                                           loop_, bus_.Backend());
    if (prepare) prepare(*window_);
    QCOMPARE(window_->Logic().RunFormCreate(), MainWindow::StartupOutcome::Started);
  }

  // Plugs in a meter playing `run`, opens the window and waits until it has the meter.
  void StartWithMeter(const char* title, MeterRun run,
                      const std::function<void(QtMainWindow&)>& prepare = {}) {
    meter_ = std::make_unique<VirtualMeter>(bus_, std::move(run));
    OpenWindow(title, prepare);
    QTRY_VERIFY_WITH_TIMEOUT(window_->Logic().DevConnected(), 5000);
  }

  // The window goes first: it still uses the meter and the database while it closes.
  void CloseAll() {
    window_.reset();
    meter_.reset();
    source_.reset();
  }

  std::unique_ptr<TestDataSource> source_;
  ScriptedDialogs dialogs_;
  QtMessageLoop loop_;
  VirtualHidBus bus_;
  std::unique_ptr<VirtualMeter> meter_;
  std::unique_ptr<QtMainWindow> window_;
};

}  // namespace kelvatrix::test
