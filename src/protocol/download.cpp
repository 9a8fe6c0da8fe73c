#include "protocol/download.h"

#include "platform/precise_wake_ups.h"

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

template <typename Operation>
bool Download::UntilUnlocked(Operation operation) {
  const std::int64_t start = exchange_.Now();
  while (!operation()) {
    if (stopRequested_ || exchange_.Now() - start > std::int64_t{kLockPatienceMs} * 1000)
      return false;
    exchange_.PacedWait(kLockRetryMs);
  }
  return true;
}

DownloadResult Download::Run() {
  if (!selection_.DevConnected()) return {DownloadOutcome::NoMeter, 0};
  // The waits process clicks too: a second press while this one waits is ignored.
  if (running_) return {DownloadOutcome::AlreadyRunning, 0};
  running_ = true;
  stopRequested_ = false;
  struct Done {
    bool& running;
    bool& stop;
    ~Done() { running = stop = false; }
  } done{running_, stopRequested_};
  const PreciseTimerPeriod waitsOnTime;

  SendAndListen(kHandshake);
  exchange_.PacedWait(100);
  if (stopRequested_) return {DownloadOutcome::Stopped, 0};
  if (exchange_.RxBuf[0] != kHandshakeReply) return {DownloadOutcome::NotAcknowledged, 0};

  std::int32_t rowCounter = 0;
  if (!UntilUnlocked([&] { return table_.Reset(); }))
    return {stopRequested_ ? DownloadOutcome::Stopped : DownloadOutcome::DatabaseLocked, 0};
  // The resistance axis starts again with the series it shows: a download that ends
  // before the table could be emptied (no handshake, a lock held too long) leaves the old
  // run's curve on the axis it was drawn for.
  ResAxisMax = kInitialResistanceAxis;
  resistance_.SetLeftAxisRange(0, ResAxisMax);
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
      if (stopRequested_) return {DownloadOutcome::Stopped, rowCounter};
    }
    // A reply that came during the last wait is not looked at.
    if (waits == kFetchWaits) return {DownloadOutcome::NoReply, rowCounter};
    // Slots past the reply's end still hold an earlier report's bytes.
    const std::int32_t carried = exchange_.RxBuf[MeterExchange::kSizeSlot] + 1;
    for (const std::int32_t slot : {0, 4}) {
      const auto at = static_cast<std::size_t>(slot);
      if (carried > slot && exchange_.RxBuf[at] == kEndMarker) return {DownloadOutcome::EndMarker, rowCounter};
      if (carried < slot + kReadingBytes) return {DownloadOutcome::ShortReply, rowCounter};
      if (!Store(at, rowCounter, timeCounter)) {
        return {stopRequested_ ? DownloadOutcome::Stopped : DownloadOutcome::DatabaseLocked,
                rowCounter};
      }
    }
  }
}

bool Download::Store(std::size_t slot, std::int32_t& rowCounter, std::int32_t& timeCounter) {
  const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(exchange_.RxBuf[slot + i]); };
  const Reading reading = DecodeReading(byte(0), byte(1), byte(2), byte(3));
  if (reading.runStart) timeCounter = 0;

  table_.Append();
  ++timeCounter;
  table_.SetField("times", std::to_string(timeCounter));
  table_.SetField("recno", static_cast<long long>(rowCounter));
  ++rowCounter;
  table_.SetField("voltage", FormatGeneral(reading.voltage));
  table_.SetField("unitv", std::string("V"));
  table_.SetField("register",
                  reading.overRange ? std::string("----") : FormatGeneral(reading.value));
  table_.SetField("unitr", std::string(reading.Unit()));

  const double megaOhm = reading.MegaOhm();
  if (!reading.overRange) resistance_.AddPoint(rowCounter, megaOhm);
  voltage_.AddPoint(rowCounter, reading.voltage);
  // Over-range readings count too, with the value of their mantissa.
  if (megaOhm > ResAxisMax) {
    ResAxisMax = megaOhm + 10;
    resistance_.SetLeftAxisRange(0, ResAxisMax);
  }
  if (!UntilUnlocked([&] { return table_.Post(); })) {
    // Not stored: the reading does not count, and the row goes so the table holds
    // exactly what was stored.
    table_.Cancel();
    --rowCounter;
    return false;
  }
  table_.Refresh();
  table_.Last();
  return true;
}

}  // namespace kelvatrix
