#pragma once
// The report's way to its rows: a connection to one data set, the measurement table in
// this program. The report reads the records through it and nothing else. Standard
// library only.

#include "store/data_set.h"

namespace kelvatrix {

class ReportDataConnection {
 public:
  void SetDataSet(DataSet* data) { data_ = data; }
  DataSet* GetDataSet() const { return data_; }

 private:
  DataSet* data_ = nullptr;
};

}  // namespace kelvatrix
