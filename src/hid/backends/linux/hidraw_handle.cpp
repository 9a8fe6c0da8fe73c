#include "hid/backends/linux/hidraw_handle.h"

#include <linux/hidraw.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>

#include "hid/backends/linux/hidraw_sysfs.h"
#include "hid/hid_last_error.h"
#include "hid/report_descriptor.h"

namespace kelvatrix {
namespace {

bool Fail(int code) { return HidFail(static_cast<std::uint32_t>(code)); }

// The errors a read gets from a node whose device has gone: hidraw answers EIO once the
// device is disconnected, other paths ENODEV or ENXIO.
bool MeansGone(int code) { return code == EIO || code == ENODEV || code == ENXIO || code == EBADF; }

// The largest report hidraw hands out (HID_MAX_BUFFER_SIZE), plus room for an ID byte.
constexpr std::size_t kLargestReport = 16385;

}  // namespace

HidrawNode::~HidrawNode() {
  if (fd >= 0) close(fd);
}

HidrawHandle::HidrawHandle(std::shared_ptr<HidrawNode> node, std::string syspath, HidAccess access)
    : node_(std::move(node)),
      fd_(node_ ? node_->fd : -1),
      syspath_(std::move(syspath)),
      access_(access),
      wake_(eventfd(0, EFD_CLOEXEC)) {
  if (access_ == HidAccess::OverlappedRead) {
    const auto descriptor = ReadDescriptor();
    const auto parsed = ParseReportDescriptor(descriptor.data(), descriptor.size());
    prefixZeroId_ = !parsed.ok || !parsed.info.usesReportIds;
  }
}

HidrawHandle::~HidrawHandle() {
  if (wake_ >= 0) close(wake_);
}

void HidrawHandle::Close() {
  if (closed_.exchange(true)) return;
  const std::uint64_t one = 1;
  if (wake_ >= 0) (void)!write(wake_, &one, sizeof one);
}

bool HidrawHandle::GetAttributes(HidAttributes& attributes) {
  if (closed_) return Fail(EBADF);
  const auto fromSysfs = hidraw::AttributesFromSysfs(syspath_);
  if (fd_ >= 0) {
    hidraw_devinfo info{};
    if (ioctl(fd_, HIDIOCGRAWINFO, &info) < 0) return Fail(errno);
    attributes.VendorID = static_cast<std::uint16_t>(info.vendor);
    attributes.ProductID = static_cast<std::uint16_t>(info.product);
    attributes.VersionNumber = fromSysfs ? fromSysfs->VersionNumber : 0;
    return true;
  }
  if (!fromSysfs) return Fail(ENODEV);
  attributes.VendorID = fromSysfs->VendorID;
  attributes.ProductID = fromSysfs->ProductID;
  attributes.VersionNumber = fromSysfs->VersionNumber;
  return true;
}

std::shared_ptr<const HidPreparsedData> HidrawHandle::GetPreparsedData() {
  if (closed_) {
    Fail(EBADF);
    return nullptr;
  }
  const auto descriptor = ReadDescriptor();
  const auto parsed = ParseReportDescriptor(descriptor.data(), descriptor.size());
  if (descriptor.empty() || !parsed.ok) {
    Fail(EINVAL);
    return nullptr;
  }
  return std::make_shared<FixedPreparsedData>(parsed.info.caps);
}

bool HidrawHandle::Write(const std::uint8_t* buffer, std::uint32_t count, std::uint32_t& written) {
  written = 0;
  if (closed_ || fd_ < 0) return Fail(EBADF);
  if (Gone()) return Fail(ENODEV);
  if (access_ != HidAccess::ReadWrite && access_ != HidAccess::OverlappedWrite) return Fail(EBADF);
  const ssize_t n = write(fd_, buffer, count);
  if (n < 0) return Fail(errno);
  written = static_cast<std::uint32_t>(n);
  return written == count;
}

bool HidrawHandle::BeginRead(std::uint8_t* buffer, std::uint32_t count) {
  if (closed_ || fd_ < 0 || access_ != HidAccess::OverlappedRead) return Fail(EBADF);
  if (Gone()) return Fail(ENODEV);  // a vanished node is a read that cannot start
  buffer_ = buffer;
  count_ = count;
  started_ = true;
  succeeded_ = false;
  result_ = 0;
  return true;
}

HidWait HidrawHandle::WaitRead(std::int32_t ms) {
  if (!started_) return HidWait::Completed;
  pollfd fds[2] = {{fd_, POLLIN, 0}, {wake_, POLLIN, 0}};
  const int ready = poll(fds, 2, ms);
  if (ready == 0 || (ready < 0 && errno == EINTR)) return HidWait::TimedOut;
  if (ready > 0 && !closed_ && (fds[1].revents & POLLIN) && interrupted_.exchange(false)) {
    std::uint64_t drained = 0;
    (void)!read(wake_, &drained, sizeof drained);
    return HidWait::TimedOut;
  }
  started_ = false;
  if (ready < 0 || closed_ || (fds[1].revents & POLLIN)) {
    Fail(ready < 0 ? errno : ECANCELED);
    return HidWait::Completed;
  }
  if (!(fds[0].revents & POLLIN)) {  // hang-up or error without data: the node has gone
    MarkGone(ENODEV);
    return HidWait::Completed;
  }
  ReadOne();
  return started_ ? HidWait::TimedOut : HidWait::Completed;
}

void HidrawHandle::MarkGone(int code) {
  if (node_) node_->gone = true;
  Fail(code);
}

void HidrawHandle::ReadOne() {
  const std::uint32_t offset = prefixZeroId_ ? 1 : 0;
  // A read with no room for data still takes the waiting report off the node, into a
  // scratch buffer: left there, it would make every following poll return at once.
  static thread_local std::uint8_t scratch[kLargestReport];
  const bool roomy = count_ > offset;
  const ssize_t n = roomy ? read(fd_, buffer_ + offset, count_ - offset) : read(fd_, scratch, sizeof scratch);
  if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {  // taken by another reader
    started_ = true;
    return;
  }
  if (n < 0) {
    if (MeansGone(errno)) {
      MarkGone(errno);
    } else {
      Fail(errno);
    }
    return;
  }
  if (n == 0) {  // end of file: the node went away
    MarkGone(ENODEV);
    return;
  }
  if (!roomy) {  // nothing of it fits: a zero-length read (with the ID byte if there is room)
    if (offset && count_ == 1) buffer_[0] = 0;
    result_ = count_;
    succeeded_ = true;
    return;
  }
  if (offset) buffer_[0] = 0;
  result_ = static_cast<std::uint32_t>(n) + offset;
  succeeded_ = true;
}

bool HidrawHandle::ReadResult(std::uint32_t& count) {
  count = 0;
  if (closed_ || !succeeded_) return Fail(closed_ ? ECANCELED : EIO);
  count = result_;
  return true;
}

void HidrawHandle::InterruptWait() {
  interrupted_ = true;
  const std::uint64_t one = 1;
  if (wake_ >= 0) (void)!write(wake_, &one, sizeof one);
}

bool HidrawHandle::CancelRead() {
  started_ = false;
  buffer_ = nullptr;
  return true;
}

std::vector<std::uint8_t> HidrawHandle::ReadDescriptor() {
  if (fd_ >= 0) {
    int size = 0;
    hidraw_report_descriptor descriptor{};
    if (ioctl(fd_, HIDIOCGRDESCSIZE, &size) == 0 && size > 0 && size <= HID_MAX_DESCRIPTOR_SIZE) {
      descriptor.size = static_cast<std::uint32_t>(size);
      if (ioctl(fd_, HIDIOCGRDESC, &descriptor) == 0) {
        return {descriptor.value, descriptor.value + size};
      }
    }
  }
  return hidraw::DescriptorFromSysfs(syspath_);
}

}  // namespace kelvatrix
