#pragma once
// What the operator is told when a download ends other than with the meter's whole run:
// how many readings are stored and why it stopped. A run stored whole says nothing.
// Standard library only.

#include <optional>
#include <string>

#include "protocol/download.h"

namespace kelvatrix {

struct DownloadEnd {
  DownloadResult result;
  bool meterStillThere = true;  // false: it was unplugged during the download
  bool writeFailed = false;     // a command could not be written to the meter
};

// The text of the error box, or nothing when there is nothing to tell.
std::optional<std::string> DownloadReport(const DownloadEnd& end);

inline constexpr const char* kDownloadCaption = "Download";

}  // namespace kelvatrix
