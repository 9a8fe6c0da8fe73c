#pragma once
// The one interface between the HID transport and a platform. The controller and the
// device are written once against it; each backend hides its platform's quirks, so the
// layer above sees Windows framing everywhere: an input report arrives as the report ID
// byte followed by the data, an output report is written with the report ID first, and
// both lengths count the ID byte.
//
// Threads: everything runs on the user-interface thread except a handle's read calls
// (BeginRead, WaitRead, ReadResult, CancelRead), which a device's read thread makes, and
// the device-change callback, which a backend may call from any thread. Close may come
// from the user-interface thread while the read thread waits: the wait then ends and the
// read yields nothing.

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "hid/hid_pnp_info.h"
#include "hid/hid_types.h"

namespace kelvatrix {

// What a device's capability query works from: the platform's parsed report descriptor.
class HidPreparsedData {
 public:
  virtual ~HidPreparsedData() = default;
  virtual HidCaps Caps() const = 0;
};

// Preparsed data whose capabilities are known when it is made (backends that parse the
// descriptor themselves, or know it).
class FixedPreparsedData final : public HidPreparsedData {
 public:
  explicit FixedPreparsedData(HidCaps caps) : caps_(caps) {}
  HidCaps Caps() const override { return caps_; }

 private:
  HidCaps caps_;
};

enum class HidAccess {
  ReadWrite,        // synchronous, read and write: attributes, capabilities, writes
  None,             // no access rights: enough for attributes and capabilities
  OverlappedRead,   // the read thread's handle
  OverlappedWrite,  // kept open like the others; nothing is written through it
};

enum class HidWait { Completed, TimedOut };

// One open device interface. Failures leave their code in HidLastError().
class HidHandle {
 public:
  virtual ~HidHandle() = default;

  // Ends the handle: a pending wait returns at once and later calls fail.
  virtual void Close() = 0;

  virtual bool GetAttributes(HidAttributes& attributes) = 0;
  // Null when the descriptor cannot be had.
  virtual std::shared_ptr<const HidPreparsedData> GetPreparsedData() = 0;
  // One output report, report ID first, `count` bytes. True when all were written.
  virtual bool Write(const std::uint8_t* buffer, std::uint32_t count, std::uint32_t& written) = 0;

  // Starts reading one input report into `buffer` (at most `count` bytes).
  virtual bool BeginRead(std::uint8_t* buffer, std::uint32_t count) = 0;
  // Waits up to `ms` for the started read to complete (or the handle to close).
  virtual HidWait WaitRead(std::int32_t ms) = 0;
  // The byte count of the completed read; false when it failed or the handle closed.
  virtual bool ReadResult(std::uint32_t& count) = 0;
  // Abandons a started read, so its buffer may be released.
  virtual bool CancelRead() = 0;
  // Any thread: makes a pending WaitRead return TimedOut now, so a reader asked to stop
  // does not sleep out its wait.
  virtual void InterruptWait() = 0;
};

class HidBackend {
 public:
  virtual ~HidBackend() = default;

  // Binds the platform's libraries, all or nothing.
  virtual bool Bind() = 0;
  virtual void Unbind() = 0;
  virtual bool Bound() const = 0;

  // Every present HID interface, in the platform's order.
  virtual std::vector<std::unique_ptr<HidPnPInfo>> ListInterfaces() = 0;

  // Opens the interface; null on failure, with HidLastError() set.
  virtual std::shared_ptr<HidHandle> Open(const HidPnPInfo& info, HidAccess access) = 0;

  // Calls `changed` (from any thread) whenever device nodes may have come or gone;
  // an empty function stops the watching.
  virtual void WatchDeviceChanges(std::function<void()> changed) = 0;
};

}  // namespace kelvatrix
