#include "protocol/meter_exchange.h"

#include <algorithm>

#include "platform/tick_counter.h"

namespace kelvatrix {

MeterExchange::MeterExchange(MessageLoop& loop, FormMessages& messages, Ticks ticks)
    : loop_(loop), messages_(messages), ticks_(ticks ? ticks : &PreciseTicks) {}

void MeterExchange::WriteFailed() {
  ++writeFailures_;
  messages_.MsgCaption = "WRITE USB ERROR!";
  messages_.MsgText = "write usb error";
}

void MeterExchange::SendCommand(HidDevice* meter) {
  // A missing meter fails like a failed write, without touching any device.
  if (!meter) return WriteFailed();
  const std::uint16_t length = meter->QueryCaps().OutputReportByteLength;
  // TxReport holds 65 bytes; a longer report would be read from past its end.
  if (length == 0 || length > TxReport.size()) return WriteFailed();
  std::uint32_t written = 0;
  if (!meter->WriteReport(TxReport.data(), length, written)) WriteFailed();
}

void MeterExchange::ReplyData(HidDevice&, std::uint8_t, const std::uint8_t* data, std::uint16_t size) {
  RxBuf[kSizeSlot] = static_cast<std::int32_t>(size) - 1;
  // Bytes past the 65 data slots have no place: they are dropped.
  const std::size_t stored = std::min<std::size_t>(size, kDataSlots);
  for (std::size_t i = 0; i < stored; ++i) RxBuf[i] = data[i];
  if (RxBuf[kFetchMarkerSlot] == 1) RxWaiting = false;
}

void MeterExchange::PacedWait(std::int32_t ms) {
  // The rule of the tick counter, read at microseconds: the wait ends at the first reading
  // more than `ms` after its start, and processes messages at least once.
  const std::int64_t start = ticks_();
  const std::int64_t span = static_cast<std::int64_t>(ms) * 1000;
  for (;;) {
    const std::int64_t now = ticks_();
    loop_.ProcessMessages();
    const std::int64_t elapsed = now - start;
    if (elapsed > span) return;
    loop_.WaitForMessages(MessageLoop::Clock::now() + std::chrono::microseconds(span - elapsed + 1));
  }
}

}  // namespace kelvatrix
