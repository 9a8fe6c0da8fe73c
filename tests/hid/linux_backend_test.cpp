#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "hid/backends/linux/hidraw_handle.h"
#include "hid/backends/linux/hidraw_sysfs.h"
#include "hid/backends/linux/linux_hid_backend.h"
#include "hid/backends/linux/udev_library.h"
#include "hid/hid_last_error.h"
#include "hid_fixture.h"

namespace kelvatrix::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

const std::vector<std::uint8_t> kVendor64 = {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x15, 0x00,
                                             0x26, 0xFF, 0x00, 0x75, 0x08, 0x95, 0x40, 0x09, 0x01,
                                             0x81, 0x02, 0x95, 0x40, 0x09, 0x01, 0x91, 0x02, 0xC0};

// A sysfs tree with one meter behind USB, its hidraw node missing from /dev: the shape of
// a node the user may not open.
class FakeSysfs : public HidFixture {
 public:
  void SetUp() override {
    root = fs::temp_directory_path() / ("kelvatrix-sysfs-" + std::to_string(getpid()));
    fs::remove_all(root);
    const fs::path usb = root / "sys/devices/pci0000:00/0000:00:14.0/usb1/1-2";
    hidDir = usb / "1-2:1.0/0003:1234:5678.0004";
    syspath = (hidDir / "hidraw/hidraw7").string();
    fs::create_directories(syspath);
    fs::create_directories(root / "dev");
    fs::create_directory_symlink("../..", fs::path(syspath) / "device");
    Write(usb / "bcdDevice", "0105\n");
    Write(usb / "busnum", "1\n");
    Write(usb / "devpath", "2\n");
    Write(usb / "manufacturer", "Orvendel\n");
    Write(hidDir / "uevent",
          "DRIVER=hid-generic\nHID_ID=0003:00001234:00005678\nHID_NAME=Orvendel HV Meter\n"
          "HID_PHYS=usb-0000:00:14.0-2/input0\n");
    std::ofstream(hidDir / "report_descriptor", std::ios::binary)
        .write(reinterpret_cast<const char*>(kVendor64.data()), static_cast<std::streamsize>(kVendor64.size()));
  }
  void TearDown() override { fs::remove_all(root); }
  static void Write(const fs::path& path, const std::string& text) { std::ofstream(path) << text; }

  LinuxHidBackend::Options Options() {
    LinuxHidBackend::Options options;
    options.listHidraw = [this] { return std::vector<std::string>{syspath}; };
    options.devDirectory = (root / "dev").string();
    return options;
  }

  fs::path root;
  fs::path hidDir;
  std::string syspath;
};

TEST_F(FakeSysfs, NodeThatCannotBeOpenedIsListedWithItsSysfsIdentity) {
  LinuxHidBackend backend(Options());
  HidDeviceController controller(loop, backend);
  if (!controller.HidLibraryBound()) GTEST_SKIP() << "libudev.so.1 is not installed";
  Pump();

  ASSERT_EQ(controller.Devices().size(), 1u);
  HidDevice& device = *controller.Devices()[0];
  EXPECT_FALSE(device.ReadWriteAccess());
  EXPECT_EQ(device.Attributes().VendorID, 0x1234);
  EXPECT_EQ(device.Attributes().ProductID, 0x5678);
  EXPECT_EQ(device.Attributes().VersionNumber, 0x0105);
  const HidPnPInfo& info = device.PnPInfo();
  EXPECT_EQ(info.DevicePath, (root / "dev/hidraw7").string());
  EXPECT_EQ(info.DevInst, hidraw::DevInstFromSyspath(syspath));
  EXPECT_EQ(info.FriendlyName, "Orvendel HV Meter");
  EXPECT_EQ(info.Mfg, "Orvendel");
  EXPECT_EQ(info.BusNumber, 1u);
  EXPECT_EQ(info.Service, "hid-generic");
  ASSERT_EQ(info.HardwareId.size(), 1u);
  EXPECT_EQ(info.HardwareId[0], "HID\\VID_1234&PID_5678");

  std::unique_ptr<HidDevice> held;
  ASSERT_TRUE(controller.ClaimByIndex(held, 0));
  const HidCaps caps = held->QueryCaps();  // from sysfs's report_descriptor
  EXPECT_EQ(caps.InputReportByteLength, 65);
  EXPECT_EQ(caps.OutputReportByteLength, 65);
  held->SetOnData(OnData());
  EXPECT_FALSE(held->HasReadThread());
}

TEST_F(FakeSysfs, BindingIsAllOrNothing) {
  UdevLibrary missing;
  EXPECT_FALSE(missing.Bind("libudev-missing.so.1"));
  UdevLibrary wrong;
  EXPECT_FALSE(wrong.Bind("libm.so.6")) << "a library without the udev names";
  EXPECT_FALSE(wrong.Bound());
  EXPECT_EQ(wrong.udev_new, nullptr);

  LinuxHidBackend::Options options = Options();
  options.udevLibrary = "libudev-missing.so.1";
  LinuxHidBackend backend(options);
  HidDeviceController controller(loop, backend);
  Pump();
  EXPECT_FALSE(controller.HidLibraryBound());
  EXPECT_TRUE(controller.Devices().empty());
}

// The read path over a pipe: poll, read, the zero ID byte for unnumbered reports, and a
// close from another thread ending a waiting read.
TEST_F(FakeSysfs, HidrawReadsPutTheZeroIdByteInFrontAndEndOnClose) {
  int pipeFds[2];
  ASSERT_EQ(pipe(pipeFds), 0);
  HidrawHandle handle(std::make_shared<HidrawNode>(pipeFds[0], true, false), syspath,
                      HidAccess::OverlappedRead);
  std::uint8_t buffer[65] = {};

  ASSERT_TRUE(handle.BeginRead(buffer, sizeof buffer));
  EXPECT_EQ(handle.WaitRead(10), HidWait::TimedOut);
  const std::uint8_t report[] = {0xEF, 0x01, 0x02};
  ASSERT_EQ(write(pipeFds[1], report, sizeof report), 3);
  ASSERT_EQ(handle.WaitRead(1000), HidWait::Completed);
  std::uint32_t count = 0;
  ASSERT_TRUE(handle.ReadResult(count));
  EXPECT_EQ(count, 4u);
  EXPECT_EQ(buffer[0], 0x00);
  EXPECT_EQ(buffer[1], 0xEF);
  EXPECT_EQ(buffer[3], 0x02);

  ASSERT_TRUE(handle.BeginRead(buffer, sizeof buffer));
  std::thread closer([&] {
    std::this_thread::sleep_for(30ms);
    handle.Close();
  });
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(handle.WaitRead(10000), HidWait::Completed);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
  closer.join();
  EXPECT_FALSE(handle.ReadResult(count));
  EXPECT_FALSE(handle.BeginRead(buffer, sizeof buffer)) << "a closed handle starts no read";
  close(pipeFds[1]);
}

// An unplugged node hangs up and its reads fail (EIO, or end of file on the pipe that
// stands in for it). That is a read that cannot start from then on, not a completed empty
// read to be started again at once, thousands of times a second.
TEST_F(FakeSysfs, VanishedNodeFailsEveryLaterReadAndWrite) {
  int pipeFds[2];
  ASSERT_EQ(pipe(pipeFds), 0);
  auto node = std::make_shared<HidrawNode>(pipeFds[0], true, true);
  HidrawHandle reader(node, syspath, HidAccess::OverlappedRead);
  HidrawHandle writer(node, syspath, HidAccess::ReadWrite);
  std::uint8_t buffer[65] = {};
  close(pipeFds[1]);  // the device goes

  ASSERT_TRUE(reader.BeginRead(buffer, sizeof buffer));
  EXPECT_EQ(reader.WaitRead(1000), HidWait::Completed);
  std::uint32_t count = 0;
  EXPECT_FALSE(reader.ReadResult(count));
  EXPECT_FALSE(reader.BeginRead(buffer, sizeof buffer));
  EXPECT_EQ(HidLastError(), static_cast<std::uint32_t>(ENODEV));
  std::uint32_t written = 0;
  EXPECT_FALSE(writer.Write(buffer, 65, written));
}

// With an input report length of 0 nothing is delivered, but each report is still taken
// off the node: the next wait waits.
TEST_F(FakeSysfs, ZeroLengthReadTakesTheReportOffTheNode) {
  int pipeFds[2];
  ASSERT_EQ(pipe(pipeFds), 0);
  HidrawHandle handle(std::make_shared<HidrawNode>(pipeFds[0], true, false), syspath,
                      HidAccess::OverlappedRead);
  std::uint8_t buffer[1] = {0xEE};
  const std::uint8_t report[] = {0xEF, 0x01};
  ASSERT_EQ(write(pipeFds[1], report, sizeof report), 2);

  ASSERT_TRUE(handle.BeginRead(buffer, 0));
  ASSERT_EQ(handle.WaitRead(1000), HidWait::Completed);
  std::uint32_t count = 99;
  ASSERT_TRUE(handle.ReadResult(count));
  EXPECT_EQ(count, 0u);
  ASSERT_TRUE(handle.BeginRead(buffer, 0));
  EXPECT_EQ(handle.WaitRead(20), HidWait::TimedOut);
  close(pipeFds[1]);
}

TEST(HidrawSysfs, HidIdIsParsedStrictly) {
  const struct {
    const char* uevent;
    bool ok;
    std::uint16_t vendor;
    std::uint16_t product;
  } cases[] = {
      {"HID_ID=0003:00001234:00005678\n", true, 0x1234, 0x5678},
      {"DRIVER=x\nHID_ID=0005:0000046D:0000B01A\nHID_NAME=y\n", true, 0x046D, 0xB01A},
      {"HID_ID=0003:00011234:00005678\n", false, 0, 0},
      {"HID_ID=0003:1234\n", false, 0, 0},
      {"HID_ID=0003:00001234:00005678junk\n", false, 0, 0},
      {"", false, 0, 0},
  };
  for (const auto& c : cases) {
    const auto id = hidraw::ParseHidId(c.uevent);
    EXPECT_EQ(id.has_value(), c.ok) << c.uevent;
    if (id && c.ok) {
      EXPECT_EQ(id->vendor, c.vendor);
      EXPECT_EQ(id->product, c.product);
    }
  }
}

}  // namespace
}  // namespace kelvatrix::test
