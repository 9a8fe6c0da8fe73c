#pragma once
// What an export shows while it runs: the wait cursor and, when asked for, a small
// progress window with a bar. Standard library only; the program's implementation is on
// Qt, tests and --batch use one that shows nothing.

namespace kelvatrix {

class ExportFeedback {
 public:
  virtual ~ExportFeedback() = default;
  // The application-wide wait cursor, on or off again.
  virtual void SetWaitCursor(bool waiting) = 0;
  // Builds and shows the progress window, its bar from 0 to `maximum`, painted at once.
  virtual void ShowProgress(int maximum) = 0;
  // Moves the bar and repaints it at once.
  virtual void SetProgress(int position) = 0;
  virtual void CloseProgress() = 0;
};

// Shows nothing.
class NoExportFeedback final : public ExportFeedback {
 public:
  void SetWaitCursor(bool) override {}
  void ShowProgress(int) override {}
  void SetProgress(int) override {}
  void CloseProgress() override {}
};

}  // namespace kelvatrix
