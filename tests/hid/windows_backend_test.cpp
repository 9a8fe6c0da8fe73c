// The Windows HID backend against the system's own HID stack (Wine's in CI, which offers
// virtual devices of its own): binding, the scan with paths, attributes and capabilities,
// the controller's first notice, enumeration and claiming, and the hidden window that
// receives the device-change broadcast.

#include "hid/backends/windows/windows_hid_backend.h"
#include "hid/hid_last_error.h"

#include <dbt.h>

#include <set>
#include <string>
#include <thread>

#include "hid/backends/windows/windows_hid_handle.h"

#include "hid_fixture.h"

namespace kelvatrix::test {
namespace {

TEST(WindowsBackend, BindsAllOrNothing) {
  WindowsHidBackend backend;
  EXPECT_TRUE(backend.Bind());
  backend.Unbind();
  EXPECT_FALSE(backend.Bound());

  WindowsHidBackend missing({.missingEntryPoint = "HidP_GetCaps"});
  EXPECT_FALSE(missing.Bind());
  EXPECT_FALSE(missing.Bound());
  QueueMessageLoop loop;
  HidDeviceController controller(loop, missing);
  loop.ProcessMessages();
  EXPECT_FALSE(controller.HidLibraryBound());
  EXPECT_TRUE(controller.Devices().empty());
  EXPECT_EQ(controller.Enumerate(), 0);
}

// A read handle passes from one read thread to the next when the meter is handed over
// (the device given back and claimed again): a stop must wake the thread reading now, not
// the one that read first and has ended. A pipe stands in for the device: its read never
// completes by itself.
TEST(WindowsHandle, AStopWakesTheThreadThatReadsNow) {
  const std::string name =
      "\\\\.\\pipe\\kelvatrix-handle-test-" + std::to_string(GetCurrentProcessId());
  const HANDLE server = CreateNamedPipeA(name.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED,
                                         PIPE_TYPE_BYTE, 1, 64, 64, 0, nullptr);
  ASSERT_NE(server, INVALID_HANDLE_VALUE);
  const HANDLE client = CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
  ASSERT_NE(client, INVALID_HANDLE_VALUE);
  WinHidLibrary library;
  WindowsHidHandle handle(client, library);
  std::uint8_t buffer[8];
  const auto readUntilWoken = [&](std::int32_t ms) {
    EXPECT_TRUE(handle.BeginRead(buffer, sizeof buffer));
    const HidWait waited = handle.WaitRead(ms);
    EXPECT_TRUE(handle.CancelRead());
    return waited;
  };
  std::thread first([&] { EXPECT_EQ(readUntilWoken(10), HidWait::TimedOut); });
  first.join();

  // The second reader waits long; the stop must end its wait. Queued before or during
  // the wait, the wake-up is seen either way.
  HANDLE reading = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  HANDLE woken = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  std::thread second([&] {
    EXPECT_TRUE(handle.BeginRead(buffer, sizeof buffer));
    SetEvent(reading);
    EXPECT_EQ(handle.WaitRead(120000), HidWait::TimedOut);
    SetEvent(woken);
    EXPECT_TRUE(handle.CancelRead());
  });
  ASSERT_EQ(WaitForSingleObject(reading, 30000), WAIT_OBJECT_0);
  handle.InterruptWait();
  const DWORD ended = WaitForSingleObject(woken, 30000);
  EXPECT_EQ(ended, WAIT_OBJECT_0) << "the stop did not wake the reader";
  if (ended != WAIT_OBJECT_0) handle.Close();  // so the test ends
  second.join();
  CloseHandle(reading);
  CloseHandle(woken);
  CloseHandle(server);
}

class WindowsControllerTest : public HidFixture {
 public:
  bool ClaimAll(HidDevice&, std::int32_t index) {
    std::unique_ptr<HidDevice> device;
    controller->ClaimByIndex(device, index);
    held.push_back(std::move(device));
    return true;
  }

  WindowsHidBackend backend;
  std::unique_ptr<HidDeviceController> controller;
  std::vector<std::unique_ptr<HidDevice>> held;
};

TEST_F(WindowsControllerTest, ScanListsTheSystemsHidInterfacesWithTheirIdentity) {
  ASSERT_TRUE(backend.Bind());
  const auto interfaces = backend.ListInterfaces();
  if (interfaces.empty()) GTEST_SKIP() << "this system lists no HID interface";
  std::set<std::uint32_t> instances;
  for (const auto& info : interfaces) {
    EXPECT_FALSE(info->DevicePath.empty());
    EXPECT_TRUE(instances.insert(info->DevInst).second)
        << "one identity a device: " << info->DevicePath;
    EXPECT_FALSE(info->HardwareId.empty()) << info->DevicePath;
    const auto handle = backend.Open(*info, HidAccess::None);
    ASSERT_TRUE(handle) << info->DevicePath << ": " << HidLastError();
    HidAttributes attributes;
    EXPECT_TRUE(handle->GetAttributes(attributes)) << info->DevicePath;
    EXPECT_NE(attributes.VendorID, 0) << info->DevicePath;
    const auto preparsed = handle->GetPreparsedData();
    ASSERT_TRUE(preparsed) << info->DevicePath;
    EXPECT_GT(preparsed->Caps().InputReportByteLength, 0) << info->DevicePath;
  }
  backend.Unbind();
}

TEST_F(WindowsControllerTest, FirstNoticeEnumerationAndClaimingWork) {
  controller = std::make_unique<HidDeviceController>(loop, backend);
  ASSERT_TRUE(controller->HidLibraryBound());
  ASSERT_NE(backend.NotifyWindow(), nullptr) << "the hidden window for the broadcast";
  controller->SetLoading(true);
  controller->SetOnDeviceChange(HidNotifyEvent::Bind<&HidFixture::Changed>(this));
  controller->SetOnEnumerate(HidEnumerateEvent::Bind<&WindowsControllerTest::ClaimAll>(this));
  controller->SetLoading(false);
  EXPECT_TRUE(PumpUntil([&] { return !events.empty(); }));
  EXPECT_EQ(events, std::vector<std::string>{"change"}) << "the start-up notice";
  const std::int32_t present = controller->Enumerate();
  EXPECT_EQ(present, static_cast<std::int32_t>(controller->Devices().size()));
  ASSERT_EQ(held.size(), controller->Devices().size());
  // The start-up notice and enumeration are checked; claiming needs a device to claim.
  if (held.empty()) GTEST_SKIP() << "this system lists no HID interface to claim";
  for (const auto& device : held) {
    ASSERT_TRUE(device) << "every present device can be claimed";
    EXPECT_TRUE(device->Claimed());
    // A device the system keeps for itself is listed without read-write access: it gives
    // its identity and never starts a reader.
    device->SetOnData(OnData());
    EXPECT_EQ(device->HasReadThread(), device->ReadWriteAccess()) << device->PnPInfo().DevicePath;
    EXPECT_NE(device->QueryCaps().InputReportByteLength, 0) << device->PnPInfo().DevicePath;
  }
  held.clear();  // given back: still present, so replaced in the list
  controller.reset();
}

TEST_F(WindowsControllerTest, TheBroadcastReachesTheHiddenWindowAndEndOfSessionIsAllowed) {
  controller = std::make_unique<HidDeviceController>(loop, backend);
  controller->SetLoading(true);
  controller->SetOnDeviceChange(HidNotifyEvent::Bind<&HidFixture::Changed>(this));
  controller->SetLoading(false);
  ASSERT_TRUE(PumpUntil([&] { return !events.empty(); }));
  const HWND window = backend.NotifyWindow();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(SendMessageA(window, WM_QUERYENDSESSION, 0, 0), 1);
  EXPECT_EQ(SendMessageA(window, WM_DEVICECHANGE, DBT_DEVICEARRIVAL, 0), 0)
      << "single-device notices are ignored";
  // A broadcast with nothing changed rescans and fires nothing. SendMessage returns once
  // the window has handled it, and so posted the rescan: one pass runs it.
  SendMessageA(window, WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0);
  Pump();
  EXPECT_EQ(events.size(), 1u);
  controller.reset();
  EXPECT_EQ(backend.NotifyWindow(), nullptr) << "the window goes with the watching";
}

}  // namespace
}  // namespace kelvatrix::test
