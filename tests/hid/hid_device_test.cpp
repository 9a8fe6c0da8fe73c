#include "hid/hid_device.h"

#include <stdexcept>
#include <thread>

#include "hid/backends/virtual/virtual_hid_bus.h"
#include "hid_fixture.h"

namespace kelvatrix::test {
namespace {

using namespace std::chrono_literals;

class DeviceTest : public HidFixture {
 public:
  // Plugs `config`, lets the controller see it and claims it.
  std::unique_ptr<HidDevice> PlugAndClaim(VirtualDeviceConfig config) {
    devInst = bus.Plug(std::move(config));
    if (!controller) controller = MakeController();
    Pump();
    std::unique_ptr<HidDevice> device;
    for (std::size_t i = 0; i < controller->Devices().size(); ++i) {
      if (controller->Devices()[i]->PnPInfo().DevInst == devInst) {
        controller->ClaimByIndex(device, static_cast<std::int32_t>(i));
      }
    }
    return device;
  }
  void ThrowingData(HidDevice&, std::uint8_t, const std::uint8_t*, std::uint16_t) {
    ++throwingCalls;
    throw std::runtime_error("handler failed");
  }

  std::unique_ptr<HidDeviceController> controller;
  std::uint32_t devInst = 0;
  int throwingCalls = 0;
};

std::vector<std::uint8_t> Bytes(std::size_t n) {
  std::vector<std::uint8_t> bytes(n);
  for (std::size_t i = 0; i < n; ++i) bytes[i] = static_cast<std::uint8_t>(0xA0 + i);
  return bytes;
}

TEST_F(DeviceTest, ReadOfNBytesDeliversTheIdByteAndTheRest) {
  auto device = PlugAndClaim(Meter());
  ASSERT_TRUE(device);
  device->SetOnData(OnData());
  ASSERT_TRUE(device->HasReadThread());
  ASSERT_TRUE(ReaderOpen(devInst));

  bus.SendInputReport(devInst, {});  // n = 0: nothing is delivered
  bus.SendInputReport(devInst, {0x07});
  bus.SendInputReport(devInst, Bytes(65));
  ASSERT_TRUE(PumpUntil([&] { return reports.size() == 2; }));

  EXPECT_EQ(reports[0].id, 0x07);
  EXPECT_TRUE(reports[0].data.empty());
  EXPECT_EQ(reports[1].id, 0xA0);
  const std::vector<std::uint8_t> all = Bytes(65);
  EXPECT_EQ(reports[1].data, std::vector<std::uint8_t>(all.begin() + 1, all.end()));
}

// Answers every output report at once with its command byte and 0xEF.
struct EchoModel : VirtualDeviceModel {
  void OnOutputReport(const std::vector<std::uint8_t>& report, VirtualHidPort& port) override {
    port.SendInputReport({0x00, report.at(1), 0xEF});
  }
};

TEST_F(DeviceTest, ReplyBetweenAWriteAndTheStartOfTheReaderIsNotLost) {
  VirtualDeviceConfig config = Meter();
  config.model = std::make_shared<EchoModel>();
  auto device = PlugAndClaim(config);
  // As a command is sent: capabilities first (cached from then on), then the write,
  // which the model answers before any reader runs.
  std::uint8_t command[65] = {0x00, 0xB5};
  std::uint32_t written = 0;
  ASSERT_EQ(device->QueryCaps().OutputReportByteLength, 65);
  ASSERT_TRUE(device->WriteReport(command, 65, written));

  device->SetOnData(OnData());

  ASSERT_TRUE(PumpUntil([&] { return reports.size() == 1; }));
  EXPECT_EQ(reports[0].data, (std::vector<std::uint8_t>{0xB5, 0xEF}));
}

TEST_F(DeviceTest, LongerReportIsCutToTheInputReportLength) {
  auto device = PlugAndClaim(Meter());
  device->SetOnData(OnData());
  ASSERT_TRUE(ReaderOpen(devInst));
  bus.SendInputReport(devInst, Bytes(300));
  ASSERT_TRUE(PumpUntil([&] { return reports.size() == 1; }));
  EXPECT_EQ(reports[0].data.size(), 64u);
}

TEST_F(DeviceTest, ByteCountBeyondTheBufferIsCutToIt) {
  VirtualDeviceConfig config = Meter();
  config.overstateReadsBy = 1000;
  auto device = PlugAndClaim(config);
  device->SetOnData(OnData());
  ASSERT_TRUE(ReaderOpen(devInst));
  bus.SendInputReport(devInst, Bytes(3));
  ASSERT_TRUE(PumpUntil([&] { return reports.size() == 1; }));
  EXPECT_EQ(reports[0].data.size(), 64u) << "never more than the 65-byte buffer holds";
}

TEST_F(DeviceTest, ThreadSleepTimeTakesOnly10To10000) {
  auto device = PlugAndClaim(Meter());
  const struct {
    std::int32_t set;
    std::int32_t kept;
  } cases[] = {{9, 100}, {10, 10}, {10000, 10000}, {10001, 10000}, {-5, 10000}, {250, 250}};
  for (const auto& c : cases) {
    device->SetThreadSleepTime(c.set);
    EXPECT_EQ(device->ThreadSleepTime(), c.kept) << c.set;
  }
}

TEST_F(DeviceTest, UnsetHandlerStopsAPendingReadPromptlyAndANewOneRestarts) {
  auto device = PlugAndClaim(Meter());
  device->SetThreadSleepTime(10000);
  device->SetOnData(OnData());
  ASSERT_TRUE(ReaderOpen(devInst));  // the reader is waiting in its read

  const auto start = MessageLoop::Clock::now();
  device->SetOnData({});
  EXPECT_LT(MessageLoop::Clock::now() - start, 5s) << "the stop waited out the 10-s read";
  EXPECT_FALSE(device->HasReadThread());

  device->SetOnData(OnData());
  EXPECT_TRUE(device->HasReadThread());
  ASSERT_TRUE(ReaderOpen(devInst));
  bus.SendInputReport(devInst, {1, 2});
  EXPECT_TRUE(PumpUntil([&] { return reports.size() == 1; }));
}

TEST_F(DeviceTest, StopWhileTheReaderWaitsInAHandOffDoesNotDeadlock) {
  auto device = PlugAndClaim(Meter());
  device->SetOnData(OnData());
  ASSERT_TRUE(ReaderOpen(devInst));
  bus.SendInputReport(devInst, {1, 2});
  // The reader has handed the report over and blocks there once a wait sees it pending;
  // nobody runs it before the stop.
  const auto start = MessageLoop::Clock::now();
  loop.WaitForMessages(start + 60s);
  ASSERT_LT(MessageLoop::Clock::now() - start, 30s) << "the reader never handed the report over";
  device->SetOnData({});
  EXPECT_EQ(reports.size(), 1u) << "the blocked hand-off ran during the stop";
  EXPECT_FALSE(device->HasReadThread());
}

TEST_F(DeviceTest, UnplugWhileReadingReportsErrorsUntilStoppedAndUnplugOnce) {
  auto device = PlugAndClaim(Meter());
  device->SetThreadSleepTime(10);
  device->SetOnUnplug(HidPlugEvent::Bind<&HidFixture::Unplugged>(this));
  device->SetOnDataError(HidDataErrorEvent::Bind<&HidFixture::DataError>(this));
  device->SetOnData(OnData());
  ASSERT_TRUE(ReaderOpen(devInst));

  bus.Unplug(devInst);
  ASSERT_TRUE(PumpUntil([&] { return errors.size() >= 3; }));
  EXPECT_EQ(unplugs, 1);
  EXPECT_TRUE(reports.empty());
  EXPECT_FALSE(device->PluggedIn());

  device.reset();  // stops the reader; the unplugged entry leaves the list
  EXPECT_TRUE(controller->Devices().empty());
}

TEST_F(DeviceTest, DeviceWithoutReadWriteAccessIsListedButNeverReadsOrWrites) {
  VirtualDeviceConfig config = Meter();
  config.open = VirtualOpen::NoAccessOnly;
  auto device = PlugAndClaim(config);
  ASSERT_TRUE(device);
  EXPECT_FALSE(device->ReadWriteAccess());
  EXPECT_EQ(device->Attributes().VendorID, 0x1234);
  EXPECT_EQ(device->QueryCaps().InputReportByteLength, 65);
  device->SetOnData(OnData());
  EXPECT_FALSE(device->HasReadThread());
  std::uint8_t report[65] = {0, 0xB5};
  std::uint32_t written = 0;
  EXPECT_FALSE(device->WriteReport(report, 65, written));
  EXPECT_TRUE(bus.Written(devInst).empty());
}

TEST_F(DeviceTest, WriteGoesOutAsOneReportAndAnUnheldDeviceOpensNothing) {
  auto device = PlugAndClaim(Meter());
  std::uint8_t report[65] = {0, 0xC4};
  std::uint32_t written = 0;
  ASSERT_TRUE(device->WriteReport(report, 65, written));
  EXPECT_EQ(written, 65u);
  ASSERT_EQ(bus.Written(devInst).size(), 1u);
  EXPECT_EQ(bus.Written(devInst)[0][1], 0xC4);

  // An unclaimed device outside a handler is not accessible: no handle, no caps.
  bus.Plug(Keyboard());
  Pump();
  HidDevice* unheld = controller->Devices().back();
  EXPECT_FALSE(unheld->WriteReport(report, 2, written));
  EXPECT_EQ(unheld->QueryCaps(), HidCaps{});
  EXPECT_EQ(bus.OpenHandles(unheld->PnPInfo().DevInst), 0);
}

TEST_F(DeviceTest, GivingBackAPresentDeviceLeavesAFreshUnclaimedOneWithItsSettings) {
  auto device = PlugAndClaim(Meter());
  device->SetThreadSleepTime(250);
  device->SetOnData(OnData());
  device->SetOnUnplug(HidPlugEvent::Bind<&HidFixture::Unplugged>(this));
  HidDevice* const old = device.get();

  device.reset();

  ASSERT_EQ(controller->Devices().size(), 1u);
  HidDevice* replacement = controller->Devices()[0];
  EXPECT_NE(replacement, old);
  EXPECT_FALSE(replacement->Claimed());
  EXPECT_EQ(replacement->PnPInfo().DevInst, devInst);
  EXPECT_EQ(replacement->ThreadSleepTime(), 250);
  EXPECT_TRUE(replacement->OnData().SameFunction(OnData()));
  EXPECT_TRUE(replacement->OnUnplug().IsSet());
  EXPECT_FALSE(replacement->HasReadThread());

  // Claiming it again starts its reader at once: it already carries OnData.
  ASSERT_TRUE(controller->ClaimByIndex(device, 0));
  EXPECT_TRUE(device->HasReadThread());
  ASSERT_TRUE(ReaderOpen(devInst));
  bus.SendInputReport(devInst, {5, 6, 7});
  EXPECT_TRUE(PumpUntil([&] { return reports.size() == 1; }));
}

// A device change in the middle of a download gives the meter back and claims it again.
// A reply that comes in between, when the old reader has stopped and the new one has not
// started, must reach the new reader.
TEST_F(DeviceTest, ReplyThatComesWhileTheDeviceIsHandedBackReachesTheReplacement) {
  auto device = PlugAndClaim(Meter());
  device->SetOnData(OnData());
  ASSERT_TRUE(ReaderOpen(devInst));

  device.reset();  // the reader stops; the replacement is not claimed yet
  bus.SendInputReport(devInst, {0x00, 0xAB, 0xCD});
  ASSERT_TRUE(controller->ClaimByIndex(device, 0));

  ASSERT_TRUE(PumpUntil([&] { return reports.size() == 1; }));
  EXPECT_EQ(reports[0].data, (std::vector<std::uint8_t>{0xAB, 0xCD}));
}

// A replacement that is not claimed again (the holder enumerates without claiming) holds
// no handle once the enumeration has passed it.
TEST_F(DeviceTest, UnclaimedReplacementClosesWhatItKeptWhenEnumerationPassesIt) {
  auto device = PlugAndClaim(Meter());
  device->SetOnData(OnData());
  ASSERT_TRUE(ReaderOpen(devInst));
  device.reset();
  controller->SetOnEnumerate(HidEnumerateEvent(
      [](void*, HidDevice&, std::int32_t) { return true; }, nullptr));
  EXPECT_EQ(controller->Enumerate(), 1);
  EXPECT_EQ(bus.OpenHandles(devInst), 0);
}

TEST_F(DeviceTest, GivingBackADeviceThatVanishedUnnoticedRemovesItsEntry) {
  auto device = PlugAndClaim(Meter());
  VirtualHidPort(bus, devInst).Unplug();
  // The controller has not handled the notice yet, so the device still counts as present;
  // the replacement cannot be made.
  device.reset();
  EXPECT_TRUE(controller->Devices().empty());
  Pump();
}

TEST_F(DeviceTest, DeviceMadeWhileTheControllerHasADataHandlerReadsOnceClaimed) {
  controller = MakeController();
  controller->SetOnDeviceData(OnData());
  auto device = PlugAndClaim(Meter());
  EXPECT_TRUE(device->HasReadThread());
  ASSERT_TRUE(ReaderOpen(devInst));
  bus.SendInputReport(devInst, {9});
  EXPECT_TRUE(PumpUntil([&] { return reports.size() == 1; }));
}

TEST_F(DeviceTest, AnErrorEscapingTheHandlerEndsTheReader) {
  auto device = PlugAndClaim(Meter());
  device->SetOnData(HidDataEvent::Bind<&DeviceTest::ThrowingData>(this));
  ASSERT_TRUE(ReaderOpen(devInst));
  bus.SendInputReport(devInst, {1});
  ASSERT_TRUE(PumpUntil([&] { return throwingCalls == 1; }));
  // The reader ends with the error: once it has, nothing can hand a report over.
  ASSERT_TRUE(PumpUntil([&] { return device->ReadThreadEnded(); }));
  bus.SendInputReport(devInst, {2});
  Pump();
  EXPECT_EQ(throwingCalls, 1) << "no further reports after the error";
  EXPECT_TRUE(device->HasReadThread()) << "the device keeps the ended thread";
  device->SetOnData({});
  EXPECT_FALSE(device->HasReadThread());
}

}  // namespace
}  // namespace kelvatrix::test
