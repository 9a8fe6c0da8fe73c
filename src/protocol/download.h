#pragma once
// The Download command: handshake, then fetch after fetch until the meter sends the end
// marker or stops answering; every reading becomes one table row and one point on each
// chart, and the resistance axis grows to fit.
//
//   handshake: TxReport[1] = 0xB5 -> SendCommand -> OnData = ReplyData -> PacedWait(100)
//              -> RxBuf[0] must be 0xEF
//   fetch:     TxReport[1] = 0xC4, RxBuf[66] = 1 -> SendCommand -> OnData = ReplyData ->
//              RxWaiting = true -> up to 200 x PacedWait(5) -> readings in slots 0-3, 4-7
//
// A reply shorter than a reading position leaves that position holding an earlier
// report's bytes: the download ends there rather than store them as a reading.
//
// The meter is read afresh from the selection for every command: a device change during a
// wait may replace it or take it away.

#include <string>

#include "protocol/download_targets.h"
#include "protocol/meter_exchange.h"
#include "protocol/meter_selection.h"
#include "protocol/reading.h"

namespace kelvatrix {

enum class DownloadOutcome {
  NoMeter,          // nothing selected: nothing happened
  AlreadyRunning,   // pressed while a download waits: ignored
  NotAcknowledged,  // the handshake reply was not 0xEF
  EndMarker,        // the meter sent the end marker
  NoReply,          // a fetch got no reply within 200 waits
  ShortReply,       // a fetch reply ended inside a reading: ended before storing it
  NoAccess,         // the meter is there, but this user may not open it for reading and writing
  DatabaseLocked,  // another client kept the database locked too long: ended, what was stored stays
  Stopped,     // asked to stop (the window closes): ended at the next wait, what was stored stays
  NoDatabase,  // the table cannot be opened: nothing was asked of the meter
};

struct DownloadResult {
  DownloadOutcome outcome = DownloadOutcome::NoMeter;
  int readings = 0;
};

class Download {
 public:
  static constexpr std::uint8_t kHandshake = 0xB5;
  static constexpr std::uint8_t kHandshakeReply = 0xEF;
  static constexpr std::uint8_t kFetch = 0xC4;
  static constexpr int kFetchWaits = 200;
  static constexpr double kInitialResistanceAxis = 100.0;
  // A database that another client keeps locked (a report tool reading, a copy of the
  // file being made) delays the download, which waits for it with the window working,
  // trying again every kLockRetryMs; only a lock of more than kLockPatienceMs ends it.
  static constexpr int kLockPatienceMs = 30000;
  static constexpr int kLockRetryMs = 50;

  Download(MeterSelection& selection, MeterExchange& exchange, MeasurementRows& table,
           ChartTarget& voltageChart, ChartTarget& resistanceChart)
      : selection_(selection),
        exchange_(exchange),
        table_(table),
        voltage_(voltageChart),
        resistance_(resistanceChart) {}

  // Runs the whole sequence. Errors of the table escape and end it.
  DownloadResult Run();
  // Ends a running download at its next wait (the rows stored so far stay); nothing when
  // none runs.
  void Stop() { stopRequested_ = running_; }
  bool Running() const { return running_; }

  // The upper bound of the resistance chart's left axis (lower bound 0).
  double ResAxisMax = kInitialResistanceAxis;

 private:
  void SendAndListen(std::uint8_t command);
  // Decodes the reading in RxBuf from `slot` into a new row and the charts, and posts the
  // row. False when the database stayed locked: the row is dropped.
  bool Store(std::size_t slot, std::int32_t& rowCounter, std::int32_t& timeCounter);
  // Tries `operation` until it is done, waiting while the database is locked; false when
  // the lock outlasts kLockPatienceMs or a stop was asked for.
  template <typename Operation>
  bool UntilUnlocked(Operation operation);

  MeterSelection& selection_;
  MeterExchange& exchange_;
  MeasurementRows& table_;
  ChartTarget& voltage_;
  ChartTarget& resistance_;
  bool running_ = false;
  bool stopRequested_ = false;
};

}  // namespace kelvatrix
