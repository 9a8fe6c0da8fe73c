#include "hid/hid_device_controller.h"

#include <stdexcept>

#include "hid_fixture.h"

namespace kelvatrix::test {
namespace {

using Events = std::vector<std::string>;

class ControllerTest : public HidFixture {
 public:
  // Claims every device offered, as the main window does.
  bool ClaimAll(HidDevice&, std::int32_t index) {
    std::unique_ptr<HidDevice> device;
    controller->ClaimByIndex(device, index);
    held.push_back(std::move(device));
    visited.push_back(index);
    return true;
  }
  bool FirstOnly(HidDevice&, std::int32_t index) {
    visited.push_back(index);
    return false;
  }
  void Throwing(HidDeviceController&) { throw std::runtime_error("handler failed"); }
  void ThrowingArrival(HidDevice&) { throw std::runtime_error("arrival failed"); }

  std::unique_ptr<HidDeviceController> controller;
  std::vector<std::unique_ptr<HidDevice>> held;
  std::vector<std::int32_t> visited;
};

TEST_F(ControllerTest, StartUpNoticeFiresOnceEvenWithoutDevices) {
  controller = MakeController();
  EXPECT_TRUE(events.empty()) << "no scan before the message loop runs";
  Pump();
  EXPECT_EQ(events, Events{"change"});
  EXPECT_EQ(controller->Enumerate(), 0);
}

TEST_F(ControllerTest, StartUpWithDevicesAddsEachWithArrivalThenOneChange) {
  bus.Plug(Meter());
  bus.Plug(Keyboard());
  controller = MakeController();
  Pump();
  EXPECT_EQ(events, (Events{"arrival 22136 in-handler", "arrival 49948 in-handler", "change"}));
  ASSERT_EQ(controller->Devices().size(), 2u);
  EXPECT_EQ(controller->Devices()[0]->Attributes().VendorID, 0x1234);
  EXPECT_EQ(controller->Devices()[0]->PnPInfo().DeviceDesc, "meter");
}

TEST_F(ControllerTest, BroadcastWithoutHidChangeFiresNothingAndKeepsTheObjects) {
  bus.Plug(Meter());
  controller = MakeController();
  Pump();
  events.clear();
  HidDevice* const before = controller->Devices()[0];

  bus.RaiseDeviceChange();
  Pump();

  EXPECT_TRUE(events.empty());
  ASSERT_EQ(controller->Devices().size(), 1u);
  EXPECT_EQ(controller->Devices()[0], before) << "the fresh duplicate was dropped";
}

TEST_F(ControllerTest, ArrivalIsAppendedAtTheEnd) {
  bus.Plug(Meter());
  controller = MakeController();
  Pump();
  events.clear();

  bus.Plug(Keyboard());
  Pump();

  EXPECT_EQ(events, (Events{"arrival 49948 in-handler", "change"}));
  ASSERT_EQ(controller->Devices().size(), 2u);
  EXPECT_EQ(controller->Devices()[1]->Attributes().ProductID, 0xC31C);
}

TEST_F(ControllerTest, UnpluggedUnclaimedDeviceIsRemovedAfterItsRemovalEvent) {
  const auto meter = bus.Plug(Meter());
  bus.Plug(Keyboard());
  controller = MakeController();
  Pump();
  events.clear();

  bus.Unplug(meter);
  Pump();

  EXPECT_EQ(events, (Events{"removal unplugged", "change"}));
  ASSERT_EQ(controller->Devices().size(), 1u);
  EXPECT_EQ(controller->Devices()[0]->Attributes().ProductID, 0xC31C);
}

TEST_F(ControllerTest, UnpluggedClaimedDeviceStaysListedAndIsReportedAtEveryLaterChange) {
  const auto meter = bus.Plug(Meter());
  controller = MakeController();
  Pump();
  std::unique_ptr<HidDevice> device;
  ASSERT_TRUE(controller->ClaimByIndex(device, 0));
  device->SetOnUnplug(HidPlugEvent::Bind<&HidFixture::Unplugged>(this));
  events.clear();

  bus.Unplug(meter);
  Pump();
  EXPECT_EQ(events, (Events{"removal unplugged", "change"}));
  EXPECT_EQ(unplugs, 1);
  EXPECT_FALSE(device->PluggedIn());
  ASSERT_EQ(controller->Devices().size(), 1u);

  events.clear();
  bus.RaiseDeviceChange();
  Pump();
  EXPECT_EQ(events, (Events{"removal unplugged", "change"}));
  EXPECT_EQ(unplugs, 1) << "OnUnplug fires once";

  device.reset();  // given back while unplugged: the entry goes
  EXPECT_TRUE(controller->Devices().empty());
}

TEST_F(ControllerTest, EnumeratePassesListIndexesSkipsUnpluggedEntriesAndStopsOnFalse) {
  const auto first = bus.Plug(Meter());
  bus.Plug(Keyboard());
  bus.Plug(Keyboard());
  controller = MakeController();
  Pump();
  std::unique_ptr<HidDevice> kept;
  ASSERT_TRUE(controller->ClaimByIndex(kept, 0));
  bus.Unplug(first);
  Pump();

  controller->SetOnEnumerate(HidEnumerateEvent::Bind<&ControllerTest::FirstOnly>(this));
  EXPECT_EQ(controller->Enumerate(), 1);
  EXPECT_EQ(visited, (std::vector<std::int32_t>{1}));

  visited.clear();
  controller->SetOnEnumerate(HidEnumerateEvent::Bind<&ControllerTest::ClaimAll>(this));
  EXPECT_EQ(controller->Enumerate(), 2);
  EXPECT_EQ(visited, (std::vector<std::int32_t>{1, 2}));
  EXPECT_TRUE(held[0] && held[1]);

  controller->SetOnEnumerate({});
  EXPECT_EQ(controller->Enumerate(), 1) << "without a handler the walk stops at the first";
}

TEST_F(ControllerTest, ClaimOutOfRangeOrTwiceGivesNothing) {
  bus.Plug(Meter());
  controller = MakeController();
  Pump();
  std::unique_ptr<HidDevice> device;
  for (const std::int32_t index : {-1, 1}) {
    EXPECT_FALSE(controller->ClaimByIndex(device, index)) << index;
    EXPECT_EQ(device, nullptr);
  }
  ASSERT_TRUE(controller->ClaimByIndex(device, 0));
  EXPECT_TRUE(device->Claimed());
  std::unique_ptr<HidDevice> again;
  EXPECT_FALSE(controller->ClaimByIndex(again, 0));
  EXPECT_EQ(again, nullptr);
}

struct Window {
  int changes = 0;
  void Changed(HidDeviceController&) { ++changes; }
};

TEST_F(ControllerTest, AssigningTheInstalledHandlerFunctionAgainChangesNothing) {
  Window first;
  Window second;
  controller = MakeController();
  controller->SetLoading(true);
  controller->SetOnDeviceChange(HidNotifyEvent::Bind<&Window::Changed>(&first));
  controller->SetLoading(false);
  Pump();
  ASSERT_EQ(first.changes, 1);

  controller->SetOnDeviceChange(HidNotifyEvent::Bind<&Window::Changed>(&second));
  EXPECT_EQ(first.changes + second.changes, 1) << "no scan";
  EXPECT_EQ(controller->OnDeviceChange().Object(), &first) << "the object is not replaced";

  // A different function outside loading scans at once; the last notice was the start-up
  // one, so it counts as a change.
  controller->SetOnDeviceChange(HidNotifyEvent::Bind<&HidFixture::Changed>(this));
  EXPECT_EQ(events, Events{"change"});
}

TEST_F(ControllerTest, ThreadSleepTimeIsHandedOnOnlyWithinTheDevicesRange) {
  bus.Plug(Meter());
  controller = MakeController();
  Pump();
  controller->SetDevThreadSleepTime(5);
  EXPECT_EQ(controller->DevThreadSleepTime(), 5);
  EXPECT_EQ(controller->Devices()[0]->ThreadSleepTime(), 100) << "5 is out of range for devices";

  bus.Plug(Keyboard());
  Pump();
  EXPECT_EQ(controller->Devices()[1]->ThreadSleepTime(), 100) << "new devices start at 100";

  controller->SetDevThreadSleepTime(50);  // devices still at the old value (5) only follow
  EXPECT_EQ(controller->Devices()[0]->ThreadSleepTime(), 100);
  controller->SetDevThreadSleepTime(100);
  controller->SetDevThreadSleepTime(250);
  EXPECT_EQ(controller->Devices()[0]->ThreadSleepTime(), 250);
  EXPECT_EQ(controller->Devices()[1]->ThreadSleepTime(), 250);
}

TEST_F(ControllerTest, ControllerStaysInertWhenAnEntryPointIsMissing) {
  bus.Plug(Meter());
  bus.RemoveEntryPoint("HidP_GetCaps");
  controller = MakeController();
  Pump();
  EXPECT_FALSE(controller->HidLibraryBound());
  EXPECT_TRUE(events.empty());
  bus.Plug(Keyboard());
  Pump();
  EXPECT_TRUE(events.empty());
  EXPECT_EQ(controller->Enumerate(), 0);
  EXPECT_TRUE(controller->Devices().empty());
}

TEST_F(ControllerTest, VersionAlwaysReadsTheSame) {
  controller = MakeController();
  controller->SetVersion("2.0");
  EXPECT_EQ(controller->Version(), "1.0.32");
}

TEST_F(ControllerTest, DeviceThatCannotBeOpenedOrIdentifiedIsLeftOut) {
  VirtualDeviceConfig refused = Keyboard();
  refused.open = VirtualOpen::Refused;
  VirtualDeviceConfig anonymous = Keyboard();
  anonymous.failIdentify = true;
  bus.Plug(refused);
  bus.Plug(anonymous);
  bus.Plug(Meter());
  controller = MakeController();
  Pump();
  ASSERT_EQ(controller->Devices().size(), 1u);
  EXPECT_EQ(controller->Devices()[0]->Attributes().ProductID, 0x5678);
}

TEST_F(ControllerTest, AnErrorInTheChangeHandlerDoesNotStopLaterNotices) {
  controller = MakeController();
  controller->SetLoading(true);
  controller->SetOnDeviceChange(HidNotifyEvent::Bind<&ControllerTest::Throwing>(this));
  controller->SetLoading(false);
  EXPECT_THROW(Pump(), std::runtime_error);
  EXPECT_FALSE(controller->InDeviceChange());

  controller->SetLoading(true);
  controller->SetOnDeviceChange(HidNotifyEvent::Bind<&HidFixture::Changed>(this));
  controller->SetLoading(false);
  bus.Plug(Meter());
  Pump();
  EXPECT_EQ(events.back(), "change");
}

// An arrival handler that raises leaves the scan's other fresh devices unlisted; they are
// dropped as the change unwinds, without making replacements of themselves, and arrive
// with the next change.
TEST_F(ControllerTest, RaisingArrivalHandlerDropsTheRestOfTheScanCleanly) {
  bus.Plug(Meter());
  bus.Plug(Keyboard());
  controller = MakeController();
  controller->SetOnArrival(HidPlugEvent::Bind<&ControllerTest::ThrowingArrival>(this));
  EXPECT_THROW(Pump(), std::runtime_error);
  ASSERT_EQ(controller->Devices().size(), 1u);

  controller->SetOnArrival(HidPlugEvent::Bind<&HidFixture::Arrived>(this));
  bus.RaiseDeviceChange();
  Pump();
  ASSERT_EQ(controller->Devices().size(), 2u);
  EXPECT_EQ(events.back(), "change");
}

TEST_F(ControllerTest, DestructionGivesClaimedDevicesTheirUnplugAndFreesTheRest) {
  bus.Plug(Meter());
  bus.Plug(Keyboard());
  controller = MakeController();
  Pump();
  std::unique_ptr<HidDevice> device;
  ASSERT_TRUE(controller->ClaimByIndex(device, 0));
  device->SetOnUnplug(HidPlugEvent::Bind<&HidFixture::Unplugged>(this));

  controller.reset();

  EXPECT_EQ(unplugs, 1);
  EXPECT_EQ(device->Controller(), nullptr);
  EXPECT_FALSE(device->PluggedIn());
  device.reset();  // no controller to give it back to: nothing else happens
}

TEST_F(ControllerTest, NoticePostedBeforeTheControllerWentIsHarmless) {
  controller = MakeController();
  controller.reset();  // the start-up notice is still queued
  Pump();
  EXPECT_TRUE(events.empty());
}

}  // namespace
}  // namespace kelvatrix::test
