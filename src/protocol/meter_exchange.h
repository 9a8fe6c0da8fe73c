#pragma once
// The command report, the reply table and the waits between them.
//
// TxReport: report ID 0, the command byte, zeros. RxBuf: slots 0-64 the data bytes of the
// latest input report, slot 65 its data size minus 1, slot 66 the fetch marker (1 from
// the first fetch on; while it is 1 every input report clears RxWaiting). A report writes
// only as many data slots as it has bytes, never more than the 65 there are.

#include <array>
#include <cstdint>
#include <string>

#include "hid/hid_device.h"
#include "platform/message_loop.h"

namespace kelvatrix {

// The form-wide text and caption of the last prepared message.
struct FormMessages {
  std::string MsgText;
  std::string MsgCaption;
};

class MeterExchange {
 public:
  static constexpr std::size_t kReportBytes = 65;
  static constexpr std::size_t kDataSlots = 65;
  static constexpr std::size_t kSizeSlot = 65;
  static constexpr std::size_t kFetchMarkerSlot = 66;

  using Ticks = std::int64_t (*)();  // microseconds

  MeterExchange(MessageLoop& loop, FormMessages& messages, Ticks ticks = nullptr);

  // Writes TxReport to `meter` as one output report of the meter's output length. A
  // failure (also: no meter, or a report length TxReport cannot fill) only leaves the
  // write-failure texts in the form messages.
  void SendCommand(HidDevice* meter);
  // The meter's data handler: copies the report into RxBuf.
  void ReplyData(HidDevice& device, std::uint8_t reportId, const std::uint8_t* data, std::uint16_t size);
  // Processes messages until more than `ms` milliseconds have passed, at least once;
  // between readings it sleeps until a message or the deadline instead of spinning.
  void PacedWait(std::int32_t ms);
  // How many command writes have failed so far.
  int WriteFailures() const { return writeFailures_; }
  // The tick counter the waits read, in microseconds.
  std::int64_t Now() const { return ticks_(); }

  std::array<std::uint8_t, kReportBytes> TxReport{};
  std::array<std::int32_t, 67> RxBuf{};
  bool RxWaiting = false;

 private:
  void WriteFailed();

  MessageLoop& loop_;
  FormMessages& messages_;
  Ticks ticks_;
  int writeFailures_ = 0;
};

}  // namespace kelvatrix
