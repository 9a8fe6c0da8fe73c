// The window's logic without a window system: start-up and its outcomes, the status
// indicator, the commands' messages and flags, and the skin it talks to, recorded.
#include "app/main_window.h"

#include <gtest/gtest.h>

#include <sys/fsuid.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "hid/backends/virtual/virtual_hid_bus.h"
#include "odbc_test_source.h"
#include "platform/queue_message_loop.h"
#include "platform/scripted_dialogs.h"
#include "protocol/virtual_meter.h"
#include "recording_canvas.h"
#include "platform/database_error.h"

namespace kelvatrix {
namespace {

// The skin, as the logic drives it.
struct RecordingSkin final : WindowSkin {
  void SetStatusText(const std::string& text) override { said.push_back("status " + text); }
  void PlaceWindow() override { said.push_back("place"); }
  void RedrawButton(CommandButton button) override {
    said.push_back("redraw " + std::to_string(static_cast<int>(button)));
  }
  std::string NowText() override { return "11/12/2026 10:00"; }
  std::vector<std::string> said;
};

// Print jobs that draw every page on a recording canvas.
struct RecordingJobs final : PrintJobs {
  struct Pages final : PageCanvas {
    Canvas& Drawing() override { return canvas; }
    // A page of about 100 units to the inch, as the recording canvas measures text.
    SizeF PageSize() const override { return {700, 1000}; }
    double Resolution() const override { return 100; }
    void NewPage() override { ++pages; }
    test::RecordingCanvas canvas;
    int pages = 1;
  };
  PrintedJob PrintReport(const std::string& title, const PageSetup&, const Render& render) override {
    titles.push_back(title);
    return {true, render(last), "recorder"};
  }
  PrintedJob PrintPage(const std::string& title, bool landscape, const Render& render) override {
    titles.push_back(title + (landscape ? " (landscape)" : ""));
    return {true, render(last), "recorder"};
  }
  std::vector<std::string> titles;
  Pages last;
};

class MainWindowTest : public ::testing::Test {
 protected:
  std::string Title() const { return "Kelvatrix-logic-test-" + std::to_string(getpid()); }
  StartupSettings Settings() const { return {Title(), source.Settings()}; }
  std::unique_ptr<MainWindow> Make(const StartupSettings& settings) {
    return std::make_unique<MainWindow>(settings,
                                        WindowPorts{dialogs, skin, feedback, measure, loop, bus.Backend()});
  }
  void LeaveRowsOfAnEarlierRun() {
    MeasurementTable earlier(kDataSourceName);
    earlier.Reset();
    earlier.Append();
    earlier.SetField("recno", 0LL);
    earlier.Post();
  }
  int StoredRows() const { return std::stoi(*source.Query("SELECT COUNT(*) FROM savedata")[0][0]); }
  // Runs the message loop until `done` or five seconds have passed.
  template <typename Done>
  bool PumpUntil(Done done) {
    const auto deadline = MessageLoop::Clock::now() + std::chrono::seconds(5);
    while (!done() && MessageLoop::Clock::now() < deadline) {
      loop.WaitForMessages(MessageLoop::Clock::now() + std::chrono::milliseconds(20));
      loop.ProcessMessages();
    }
    return done();
  }

  test::OdbcTestSource source;
  ScriptedDialogs dialogs;
  RecordingSkin skin;
  NoExportFeedback feedback;
  test::FixedMeasure measure;
  QueueMessageLoop loop;
  VirtualHidBus bus;
};

TEST_F(MainWindowTest, StartUpRunsEveryStepInOrderAndEmptiesTheTable) {
  LeaveRowsOfAnEarlierRun();
  auto window = Make(Settings());
  EXPECT_TRUE(skin.said.empty()) << "nothing is asked of the skin before start-up";
  EXPECT_EQ(window->RunFormCreate(), MainWindow::StartupOutcome::Started);
  EXPECT_TRUE(dialogs.Shown().empty());
  EXPECT_EQ(skin.said, (std::vector<std::string>{"place", "status disconnect!"}));
  EXPECT_TRUE(window->Table1().Active());
  EXPECT_TRUE(window->Table1().IsEmpty());
  EXPECT_EQ(StoredRows(), 0);
  window->Timer1Timer();
  EXPECT_EQ(skin.said.back(), "status Disconnect!");
}

TEST_F(MainWindowTest, ASecondInstanceIsRefusedAndTouchesNothing) {
  LeaveRowsOfAnEarlierRun();
  InstanceGuard running;
  ASSERT_TRUE(running.Acquire(Title()));
  StartupSettings settings = Settings();
  settings.dataSource.currentDirectory = source.Dir() + "/elsewhere";
  const auto ini = [&] {
    std::ifstream in(settings.dataSource.iniPath);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  };
  const std::string before = ini();
  auto window = Make(settings);
  EXPECT_EQ(window->RunFormCreate(), MainWindow::StartupOutcome::Refused);
  ASSERT_EQ(dialogs.Shown().size(), 1u);
  EXPECT_EQ(dialogs.Shown()[0].text, MainWindow::kRefusalText);
  EXPECT_EQ(dialogs.Shown()[0].caption, Title());
  EXPECT_EQ(dialogs.Shown()[0].flags, 0);
  EXPECT_EQ(ini(), before);
  EXPECT_TRUE(skin.said.empty());
  EXPECT_FALSE(window->Table1().Active());
  EXPECT_EQ(StoredRows(), 1);
}

TEST_F(MainWindowTest, ARegistrationFailureStopsStartUpButTheWindowStillWorks) {
  StartupSettings settings = Settings();
  settings.dataSource.iniPath = source.Dir() + "/no/such/dir/odbc.ini";
  auto window = Make(settings);
  EXPECT_EQ(window->RunFormCreate(), MainWindow::StartupOutcome::StoppedEarly);
  ASSERT_EQ(dialogs.Shown().size(), 1u);
  EXPECT_EQ(dialogs.Shown()[0].caption, "Error Information");
  EXPECT_EQ(dialogs.Shown()[0].text, "Register file operation fail\rPlease check up your operation system");
  EXPECT_EQ(dialogs.Shown()[0].flags, 16);
  EXPECT_TRUE(skin.said.empty()) << "the window keeps its design place and its status text";
  EXPECT_FALSE(window->Table1().Active());
  window->Timer1Timer();
  EXPECT_EQ(skin.said, (std::vector<std::string>{"status Disconnect!"}));
}

TEST_F(MainWindowTest, ALockedDatabaseIsShownInTheStandardErrorBox) {
  LeaveRowsOfAnEarlierRun();
  OdbcConnection other("DSN=kelvatrix");
  other.Execute("BEGIN EXCLUSIVE");
  auto window = Make(Settings());
  EXPECT_EQ(window->RunFormCreate(), MainWindow::StartupOutcome::Failed);
  other.Execute("ROLLBACK");
  ASSERT_EQ(dialogs.Shown().size(), 1u);
  const ShownMessage& shown = dialogs.Shown()[0];
  EXPECT_NE(shown.text.find("database is locked"), std::string::npos) << shown.text;
  EXPECT_EQ(shown.text, StandardErrorText(window->StartupError()));
  EXPECT_EQ(shown.caption, Title());
  EXPECT_EQ(shown.flags, 16);
  // The steps before the failing one ran.
  EXPECT_EQ(skin.said, (std::vector<std::string>{"place", "status disconnect!"}));
}

// Started in a folder the user may not write, the database cannot be made: the error names
// the file and the reason, and Download refuses with it rather than run a download whose
// rows go nowhere. As root, start-up and Download run with another user's file
// permissions (root may write any folder).
TEST_F(MainWindowTest, ADatabaseThatCannotBeOpenedIsNamedAndDownloadRefuses) {
  constexpr uid_t kOtherUser = 65534;  // "nobody", in a group of its own
  namespace fs = std::filesystem;
  const std::string folder = source.Dir() + "/locked";
  fs::create_directories(folder);
  StartupSettings settings = Settings();
  settings.applicationTitle += "-locked-folder";  // a guard file of its own, which the other user may make
  settings.dataSource.currentDirectory = folder;
  ASSERT_TRUE(RegisterDataSource(settings.dataSource, dialogs));
  const bool root = geteuid() == 0;
  if (root) {
    // The test's files become the other user's own, as a user's files are; the folder
    // stays root's.
    for (const auto& entry : fs::recursive_directory_iterator(source.Dir()))
      ASSERT_EQ(lchown(entry.path().c_str(), kOtherUser, kOtherUser), 0);
    ASSERT_EQ(lchown(source.Dir().c_str(), kOtherUser, kOtherUser), 0);
    ASSERT_EQ(lchown(folder.c_str(), 0, 0), 0);
  }
  fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::others_read |
                              fs::perms::others_exec);
  VirtualDeviceConfig meter;
  meter.vendorId = 0x1234;
  meter.productId = 0x5678;
  const std::uint32_t plugged = bus.Plug(meter);
  auto window = Make(settings);
  dialogs.Clear();
  if (root) {
    setfsgid(kOtherUser);
    setfsuid(kOtherUser);
  }
  const MainWindow::StartupOutcome outcome = window->RunFormCreate();
  const bool found = PumpUntil([&] { return window->DevConnected(); });
  const DownloadResult download = window->RoundButton1Click();
  if (root) {
    setfsuid(0);
    setfsgid(0);
  }
  bus.Unplug(plugged);
  fs::permissions(folder, fs::perms::owner_all);

  const std::string expected = "The database " + folder + "/kelvatrix.db cannot be opened: the folder " + folder +
                               " may not be written to (Permission denied).\rReadings cannot be stored until this "
                               "is mended.";
  EXPECT_EQ(outcome, MainWindow::StartupOutcome::Failed);
  EXPECT_EQ(window->StartupError(), expected);
  EXPECT_TRUE(found);
  EXPECT_EQ(download.outcome, DownloadOutcome::NoDatabase);
  ASSERT_EQ(dialogs.Shown().size(), 2u);
  EXPECT_EQ(dialogs.Shown()[0].text, expected);
  EXPECT_EQ(dialogs.Shown()[1].text, expected);
  EXPECT_EQ(dialogs.Shown()[1].caption, "Download");
  EXPECT_EQ(dialogs.Shown()[1].flags, 16);
}

// A download with the simulated meter, then the commands: each paints its button again
// when done, Print Data prints the report's title on its pages with the time of printing
// the skin gives, Print Graph prints both charts landscape.
TEST_F(MainWindowTest, CommandsRunOnTheDownloadedRowsAndRedrawTheirButtons) {
  VirtualMeter meter(bus, BuiltInMeterRun());
  auto window = Make(Settings());
  auto jobs = std::make_unique<RecordingJobs>();
  RecordingJobs& printed = *jobs;
  window->SetPrintJobs(std::move(jobs));
  window->SetProgramFolder(KELVATRIX_SOURCE_DIR "/data");
  ASSERT_EQ(window->RunFormCreate(), MainWindow::StartupOutcome::Started);
  ASSERT_TRUE(PumpUntil([&] { return window->DevConnected(); }));
  window->Timer1Timer();
  EXPECT_EQ(skin.said.back(), "status Connect ok!");

  const DownloadResult download = window->RoundButton1Click();
  EXPECT_EQ(download.outcome, DownloadOutcome::EndMarker);
  EXPECT_EQ(window->Table1().RecordCount(), download.readings);
  EXPECT_EQ(window->Chart1().Points().size(), static_cast<std::size_t>(download.readings));

  const PrintResult report = window->printdatabClick();
  ASSERT_EQ(report.jobs.size(), 1u);
  EXPECT_GT(report.jobs[0].second.pages, 1);
  EXPECT_EQ(skin.said.back(), "redraw " + std::to_string(static_cast<int>(CommandButton::PrintData)));
  const auto& canvas = printed.last.canvas;
  EXPECT_GE(canvas.IndexOfText(report.jobs[0].first), 0) << "the title on the first page";
  bool dated = false;
  for (const test::DrawCall& call : canvas.calls) dated = dated || call.text.find("11/12/2026 10:00") != std::string::npos;
  EXPECT_TRUE(dated);

  const PrintResult charts = window->RoundButton3Click();
  ASSERT_EQ(charts.jobs.size(), 2u);
  EXPECT_EQ(printed.titles.back(), "Chart2 (landscape)");
  EXPECT_EQ(skin.said.back(), "redraw " + std::to_string(static_cast<int>(CommandButton::PrintGraph)));

  window->FormClose();
  EXPECT_FALSE(window->Grid1().Changing());
}

TEST_F(MainWindowTest, NothingToSaveOrPrintIsSaidWithItsCaption) {
  auto window = Make(Settings());
  window->SetProgramFolder(KELVATRIX_SOURCE_DIR "/data");
  ASSERT_EQ(window->RunFormCreate(), MainWindow::StartupOutcome::Started);
  EXPECT_EQ(window->savebClick().outcome, SaveResult::Outcome::NothingToSave);
  EXPECT_EQ(dialogs.Shown().back().caption, "Save as...");
  EXPECT_EQ(dialogs.Shown().back().flags, 64);
  EXPECT_EQ(skin.said.back(), "redraw " + std::to_string(static_cast<int>(CommandButton::Save)));
  EXPECT_TRUE(window->printdatabClick().nothingToPrint);
  EXPECT_EQ(dialogs.Shown().back().text, "Have No Data in Database,Can not to Print!");
  EXPECT_EQ(dialogs.Shown().back().caption, "Print Error");
  EXPECT_THROW(window->RoundButton3Click(), PrintError) << "no print jobs were given";
}

}  // namespace
}  // namespace kelvatrix
