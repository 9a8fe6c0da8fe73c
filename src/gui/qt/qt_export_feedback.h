#pragma once
// The export's wait cursor and progress window on Qt. The window is the classic one: a
// borderless 300 x 100 box with a black frame, centred on the screen, a raised panel,
// the text "正在导出数据，请稍候......" and a blue bar with its percentage.

#include <QPointer>
#include <QProgressBar>
#include <QWidget>

#include "export/export_feedback.h"

namespace kelvatrix {

class QtExportFeedback final : public ExportFeedback {
 public:
  ~QtExportFeedback() override;

  void SetWaitCursor(bool waiting) override;
  void ShowProgress(int maximum) override;
  void SetProgress(int position) override;
  void CloseProgress() override;

  // The progress window while it is shown.
  QWidget* ProgressWindow() const { return window_; }

 private:
  QPointer<QWidget> window_;
  QPointer<QProgressBar> gauge_;
  bool waiting_ = false;
};

}  // namespace kelvatrix
