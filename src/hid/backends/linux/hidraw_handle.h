#pragma once
// One open hidraw node, or (access None) a device's sysfs entry alone, which is enough
// for its attributes and capabilities.
//
// All handles of one device share one open node (HidrawNode): hidraw buffers input
// reports per open file, so a reply that arrives between a write and the start of the
// reader waits for the reader instead of going to a file nobody reads.
//
// Reads poll the node together with an eventfd, so Close from another thread ends a
// waiting read at once. The node is closed only when the last handle lets go of it, so its
// descriptor number is never reused under a waiting reader.

#include <atomic>
#include <string>
#include <vector>

#include "hid/hid_backend.h"

namespace kelvatrix {

// One open file of a hidraw node.
class HidrawNode {
 public:
  HidrawNode(int fd, bool canRead, bool canWrite) : fd(fd), canRead(canRead), canWrite(canWrite) {}
  ~HidrawNode();
  HidrawNode(const HidrawNode&) = delete;
  HidrawNode& operator=(const HidrawNode&) = delete;
  const int fd;
  const bool canRead;
  const bool canWrite;
  // Set once a read finds the node gone (unplugged): hang-up, EIO, ENODEV or end of
  // file. Every later read or write on it fails at once instead of polling a dead file.
  std::atomic<bool> gone{false};
};

class HidrawHandle final : public HidHandle {
 public:
  // `node` is null for a sysfs-only handle; `syspath` is the hidraw device's sysfs
  // directory.
  HidrawHandle(std::shared_ptr<HidrawNode> node, std::string syspath, HidAccess access);
  ~HidrawHandle() override;
  HidrawHandle(const HidrawHandle&) = delete;
  HidrawHandle& operator=(const HidrawHandle&) = delete;

  void Close() override;
  bool GetAttributes(HidAttributes& attributes) override;
  std::shared_ptr<const HidPreparsedData> GetPreparsedData() override;
  bool Write(const std::uint8_t* buffer, std::uint32_t count, std::uint32_t& written) override;
  bool BeginRead(std::uint8_t* buffer, std::uint32_t count) override;
  HidWait WaitRead(std::int32_t ms) override;
  bool ReadResult(std::uint32_t& count) override;
  bool CancelRead() override;
  void InterruptWait() override;

 private:
  std::vector<std::uint8_t> ReadDescriptor();
  void ReadOne();
  bool Gone() const { return node_ && node_->gone; }
  void MarkGone(int code);

  const std::shared_ptr<HidrawNode> node_;
  const int fd_;
  const std::string syspath_;
  const HidAccess access_;
  const int wake_;
  std::atomic<bool> closed_{false};
  std::atomic<bool> interrupted_{false};
  // hidraw drops the ID byte of unnumbered reports; this puts a zero one back.
  bool prefixZeroId_ = true;
  // The started read; touched by the read thread alone.
  std::uint8_t* buffer_ = nullptr;
  std::uint32_t count_ = 0;
  bool started_ = false;
  bool succeeded_ = false;
  std::uint32_t result_ = 0;
};

}  // namespace kelvatrix
