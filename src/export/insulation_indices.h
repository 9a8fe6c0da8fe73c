#pragma once
// The figures insulation testing judges a run by, from the rows of its last run: the test
// voltage, the duration, the resistance after 15 s, 30 s, 1 min and 10 min, the dielectric
// absorption ratio DAR = R(60 s) / R(30 s) and the polarisation index PI = R(10 min) /
// R(1 min). Standard library only.
//
// The rows are those of savedata, as texts: `times` counts the seconds of a run (a run
// starts again at 1), `register` is the resistance in the unit of `unitr` ("M ohm" or
// "G ohm") or "----" when the reading was over range. A figure whose readings are missing
// or over range is not available, with the reason; it is never made up.

#include <optional>
#include <string>
#include <vector>

#include "store/data_set.h"

namespace kelvatrix {

struct RunRow {
  std::string times;
  std::string voltage;
  std::string resistance;
  std::string unit;
};

// A figure, or the reason there is none.
struct Figure {
  std::optional<double> value;
  std::string unavailable;
};

struct InsulationIndices {
  bool hasRun = false;         // false: no rows at all
  int firstRow = 0;            // the last run's first row in the table
  int rows = 0;                // and how many rows it has
  Figure testVoltage;          // volts: the voltage the run held most often
  int durationSeconds = 0;     // the last reading's time
  Figure r15, r30, r60, r600;  // M ohm
  Figure dar, pi;
};

InsulationIndices ComputeIndices(const std::vector<RunRow>& rows);

// The rows of a data set that has the fields of savedata (times, voltage, register, unitr).
std::vector<RunRow> RunRowsOf(DataSet& data);

// "5000 V", "12,300 M ohm", "1.46"; or "not available (<reason>)".
std::string FormatVoltage(const Figure& volts);
std::string FormatResistance(const Figure& megaOhm);
std::string FormatRatio(const Figure& ratio);

// All of it on one line, for --batch.
std::string DescribeIndices(const InsulationIndices& indices);

}  // namespace kelvatrix
