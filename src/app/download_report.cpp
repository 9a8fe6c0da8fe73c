#include "app/download_report.h"

namespace kelvatrix {
namespace {

std::string Readings(int count) {
  return std::to_string(count) + (count == 1 ? " reading" : " readings");
}

// What the table holds after a download that stopped part way.
std::string Stored(int count) {
  if (count == 0) return "No reading was stored.";
  return "The " + Readings(count) + " received " + (count == 1 ? "is" : "are") +
         " stored in savedata; the rest of the run was not downloaded.";
}

}  // namespace

std::optional<std::string> DownloadReport(const DownloadEnd& end) {
  const int count = end.result.readings;
  const std::string writeNote =
      end.writeFailed ? "\rA command could not be written to the meter." : "";
  switch (end.result.outcome) {
    case DownloadOutcome::EndMarker:
      if (count > 0) return std::nullopt;
      return "The meter holds no readings: it sent the end of its run at once.\rThe table is "
             "empty.";
    case DownloadOutcome::NotAcknowledged:
      return "The meter did not answer the download's handshake: nothing was downloaded, and the "
             "table keeps "
             "its rows.\rCheck that the meter is switched on and not busy with a test." +
             writeNote;
    case DownloadOutcome::NoReply:
      if (!end.meterStillThere) {
        return "The meter was disconnected during the download, after " + Readings(count) + ".\r" +
               Stored(count);
      }
      return "The meter stopped answering after " + Readings(count) + ".\r" + Stored(count) +
             writeNote;
    case DownloadOutcome::ShortReply:
      return "A reply of the meter was too short to hold a reading: the download stopped after " +
             Readings(count) + ".\r" + Stored(count);
    case DownloadOutcome::DatabaseLocked:
      return "Another program kept the database locked for more than 30 seconds: the download "
             "stopped after " +
             Readings(count) + ".\r" + Stored(count);
    case DownloadOutcome::NoMeter:
    case DownloadOutcome::AlreadyRunning:
    case DownloadOutcome::NoAccess:
    case DownloadOutcome::Stopped:
    case DownloadOutcome::NoDatabase:
      break;
  }
  return std::nullopt;
}

}  // namespace kelvatrix
