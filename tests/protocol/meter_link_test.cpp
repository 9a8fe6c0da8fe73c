// Meter selection and the command write against the virtual bus: which device is taken
// for the meter, what is written for output report lengths the command report cannot
// fill, and giving the devices back at exit with a device change still queued.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "hid/backends/virtual/virtual_hid_bus.h"
#include "hid/hid_device_controller.h"
#include "platform/queue_message_loop.h"
#include "protocol/meter_exchange.h"
#include "protocol/meter_selection.h"

namespace kelvatrix {
namespace {

VirtualDeviceConfig Device(std::uint16_t vendor, std::uint16_t product,
                           const std::string& description) {
  VirtualDeviceConfig config;
  config.vendorId = vendor;
  config.productId = product;
  config.description = description;
  return config;
}

// A bus, a controller and a selection wired as the window wires them, the first device
// search made.
struct Link {
  Link(QueueMessageLoop& loop, const std::vector<VirtualDeviceConfig>& devices)
      : controller(loop, bus.Backend()) {
    for (const auto& device : devices) devInsts.push_back(bus.Plug(device));
    controller.SetLoading(true);
    controller.SetOnEnumerate(
        HidEnumerateEvent::Bind<&MeterSelection::HidCtlEnumerate>(&selection));
    controller.SetOnDeviceChange(
        HidNotifyEvent::Bind<&MeterSelection::HidCtlDeviceChange>(&selection));
    controller.SetLoading(false);
    selection.CreateDevList();
    loop.ProcessMessages();
  }
  VirtualHidBus bus;
  std::vector<std::uint32_t> devInsts;
  HidDeviceController controller;
  MeterSelection selection{controller};
};

// The window's handlers, forwarded to a selection that the test can destroy; counts the
// device changes that run while it is being destroyed.
struct Window {
  bool Enumerate(HidDevice& device, std::int32_t index) {
    return selection ? selection->HidCtlEnumerate(device, index) : false;
  }
  void DeviceChange(HidDeviceController& sender) {
    if (destroying) ++changesWhileDestroying;
    if (selection) selection->HidCtlDeviceChange(sender);
  }
  void Reply(HidDevice&, std::uint8_t, const std::uint8_t*, std::uint16_t) {}

  std::unique_ptr<MeterSelection> selection;
  bool destroying = false;
  int changesWhileDestroying = 0;
};

class MeterLinkTest : public ::testing::Test {
 public:
  void Start() {
    window.selection = std::make_unique<MeterSelection>(controller);
    controller.SetLoading(true);
    controller.SetOnEnumerate(HidEnumerateEvent::Bind<&Window::Enumerate>(&window));
    controller.SetOnDeviceChange(HidNotifyEvent::Bind<&Window::DeviceChange>(&window));
    controller.SetLoading(false);
    window.selection->CreateDevList();
    loop.ProcessMessages();
  }
  MeterSelection& Selection() { return *window.selection; }
  std::string Selected() {
    HidDevice* meter = Selection().CurrentDev();
    return meter ? meter->PnPInfo().DeviceDesc : "none";
  }

  QueueMessageLoop loop;
  VirtualHidBus bus;
  HidDeviceController controller{loop, bus.Backend()};
  Window window;
};

TEST_F(MeterLinkTest, MeterIsTheLastDeviceWithBothIds) {
  const struct {
    const char* name;
    std::vector<VirtualDeviceConfig> devices;
    const char* selected;
  } cases[] = {
      {"no devices", {}, "none"},
      {"vendor only", {Device(0x1234, 0x5679, "vendor only")}, "none"},
      {"product only", {Device(0x1235, 0x5678, "product only")}, "none"},
      {"one meter among others",
       {Device(0x046D, 0xC31C, "keyboard"), Device(0x1234, 0x5678, "meter"),
        Device(0x1234, 0x0001, "other")},
       "meter"},
      {"two meters: the last one listed",
       {Device(0x1234, 0x5678, "first meter"), Device(0x046D, 0xC31C, "keyboard"),
        Device(0x1234, 0x5678, "second meter")},
       "second meter"},
  };
  for (const auto& c : cases) {
    Link link(loop, c.devices);
    const MeterSelection& selection = link.selection;
    const HidDevice* meter = selection.CurrentDev();
    EXPECT_EQ(meter ? meter->PnPInfo().DeviceDesc : "none", c.selected) << c.name;
    EXPECT_EQ(selection.DevConnected(), meter != nullptr) << c.name;
    EXPECT_EQ(selection.DevList().size(), c.devices.size())
        << c.name << ": every device is claimed";
  }
}

// A device held by someone else cannot be claimed: its place in the list stays empty and
// the selection passes over it.
TEST_F(MeterLinkTest, FailedClaimLeavesAnEmptyPlaceThatSelectionSkips) {
  bus.Plug(Device(0x1234, 0x5678, "held elsewhere"));
  bus.Plug(Device(0x1234, 0x5678, "meter"));
  loop.ProcessMessages();  // the controller's first scan lists both
  std::unique_ptr<HidDevice> elsewhere;
  ASSERT_TRUE(controller.ClaimByIndex(elsewhere, 0));
  Start();
  Selection().HidCtlDeviceChange(controller);

  ASSERT_EQ(Selection().DevList().size(), 2u);
  EXPECT_EQ(Selection().DevList()[0], nullptr);
  EXPECT_EQ(Selected(), "meter");
  window.selection.reset();
}

TEST_F(MeterLinkTest, CommandWritesTheOutputLengthOrFailsWithoutReadingPastTheReport) {
  const struct {
    std::uint16_t outputLength;
    bool written;
  } cases[] = {{65, true}, {2, true}, {0, false}, {66, false}};
  for (const auto& c : cases) {
    VirtualDeviceConfig meter = Device(0x1234, 0x5678, "meter");
    meter.caps.OutputReportByteLength = c.outputLength;
    Link link(loop, {meter});
    ASSERT_TRUE(link.selection.DevConnected());

    FormMessages messages;
    MeterExchange exchange(loop, messages);
    exchange.TxReport[1] = 0xC4;
    exchange.SendCommand(link.selection.CurrentDev());

    const auto written = link.bus.Written(link.devInsts[0]);
    EXPECT_EQ(written.size(), c.written ? 1u : 0u) << c.outputLength;
    if (c.written) {
      EXPECT_EQ(written[0].size(), c.outputLength);
      EXPECT_EQ(written[0][1], 0xC4);
      EXPECT_EQ(messages.MsgCaption, "");
    } else {
      EXPECT_EQ(messages.MsgCaption, "WRITE USB ERROR!") << c.outputLength;
      EXPECT_EQ(messages.MsgText, "write usb error");
    }
  }
}

// At exit the window gives its devices back while a hot-plug notice may still be queued.
// Stopping the meter's reader must not run that notice in the middle: it would rebuild
// the device list that is being destroyed.
TEST_F(MeterLinkTest, GivingTheDevicesBackAtExitRunsNoQueuedDeviceChange) {
  bus.Plug(Device(0x1234, 0x5678, "meter"));
  bus.Plug(Device(0x046D, 0xC31C, "keyboard"));
  Start();
  ASSERT_EQ(Selected(), "meter");
  Selection().CurrentDev()->SetOnData(HidDataEvent::Bind<&Window::Reply>(&window));
  ASSERT_TRUE(Selection().CurrentDev()->HasReadThread());

  bus.Plug(Device(0x046D, 0xC52B, "receiver"));  // its notice is queued, not yet handled
  window.destroying = true;
  window.selection.reset();
  window.destroying = false;

  EXPECT_EQ(window.changesWhileDestroying, 0);
  loop.ProcessMessages();  // the notice runs now, with no selection left to fill
}

}  // namespace
}  // namespace kelvatrix
