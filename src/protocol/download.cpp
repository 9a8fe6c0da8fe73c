#include "protocol/download.h"

namespace kelvatrix {

void Download::SendAndListen(std::uint8_t command) {
  exchange_.TxReport[0] = 0;
  exchange_.TxReport[1] = command;
  if (command == kFetch) exchange_.RxBuf[MeterExchange::kFetchMarkerSlot] = 1;
  exchange_.SendCommand(selection_.CurrentDev());
  // Installing the same handler again leaves a running reader alone.
  if (HidDevice* meter = selection_.CurrentDev()) {
    meter->SetOnData(HidDataEvent::Bind<&MeterExchange::ReplyData>(&exchange_));
  }
}

DownloadResult Download::Run() {
  if (!selection_.DevConnected()) return {DownloadOutcome::NoMeter, 0};
  // The waits process clicks too: a second press while this one waits is ignored.
  if (running_) return {DownloadOutcome::AlreadyRunning, 0};
  running_ = true;
  struct Done {
    bool& flag;
    ~Done() { flag = false; }
  } done{running_};

  ResAxisMax = kInitialResistanceAxis;
  resistance_.SetLeftAxisRange(0, ResAxisMax);

  SendAndListen(kHandshake);
  exchange_.PacedWait(100);
  if (exchange_.RxBuf[0] != kHandshakeReply) return {DownloadOutcome::NotAcknowledged, 0};

  std::int32_t rowCounter = 0;
  table_.Reset();
  voltage_.Clear();
  resistance_.Clear();
  voltage_.SetAutoRepaint(true);
  resistance_.SetAutoRepaint(true);
  voltage_.UndoZoom();
  resistance_.UndoZoom();

  std::int32_t timeCounter = 0;
  for (;;) {
    SendAndListen(kFetch);
    exchange_.RxWaiting = true;
    int waits = 0;
    while (exchange_.RxWaiting && waits < kFetchWaits) {
      exchange_.PacedWait(5);
      ++waits;
    }
    // A reply that came during the last wait is not looked at.
    if (waits == kFetchWaits) return {DownloadOutcome::NoReply, rowCounter};
    // Slots past the reply's end still hold an earlier report's bytes.
    const std::int32_t carried = exchange_.RxBuf[MeterExchange::kSizeSlot] + 1;
    for (const std::int32_t slot : {0, 4}) {
      const auto at = static_cast<std::size_t>(slot);
      if (carried > slot && exchange_.RxBuf[at] == kEndMarker) return {DownloadOutcome::EndMarker, rowCounter};
      if (carried < slot + kReadingBytes) return {DownloadOutcome::ShortReply, rowCounter};
      Store(at, rowCounter, timeCounter);
    }
  }
}

void Download::Store(std::size_t slot, std::int32_t& rowCounter, std::int32_t& timeCounter) {
  const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(exchange_.RxBuf[slot + i]); };
  const Reading reading = DecodeReading(byte(0), byte(1), byte(2), byte(3));
  if (reading.runStart) timeCounter = 0;

  table_.Append();
  ++timeCounter;
  table_.SetField("times", std::to_string(timeCounter));
  table_.SetField("recno", static_cast<long long>(rowCounter));
  ++rowCounter;
  table_.SetField("voltage", FormatGeneral(reading.voltage, decimalSeparator_));
  table_.SetField("unitv", std::string("V"));
  table_.SetField("register", reading.overRange ? std::string("----")
                                                : FormatGeneral(reading.value, decimalSeparator_));
  table_.SetField("unitr", std::string(reading.Unit()));

  const double megaOhm = reading.MegaOhm();
  if (!reading.overRange) resistance_.AddPoint(rowCounter, megaOhm);
  voltage_.AddPoint(rowCounter, reading.voltage);
  // Over-range readings count too, with the value of their mantissa.
  if (megaOhm > ResAxisMax) {
    ResAxisMax = megaOhm + 10;
    resistance_.SetLeftAxisRange(0, ResAxisMax);
  }
  table_.Post();
  table_.Refresh();
  table_.Last();
}

}  // namespace kelvatrix
