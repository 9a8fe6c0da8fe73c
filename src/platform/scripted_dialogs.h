#pragma once
// Dialogs answered without a screen: every box is recorded, answered from a queue of
// prepared answers (or the default for its buttons: OK, or Yes for a question) and, when
// a sink is given, printed as one line. Used by --batch and by the tests.

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/dialogs.h"

namespace kelvatrix {

struct ShownMessage {
  std::string text;
  std::string caption;
  int flags = 0;
};

class ScriptedDialogs final : public Dialogs {
 public:
  using LineSink = std::function<void(const std::string&)>;

  explicit ScriptedDialogs(LineSink sink = {}) : sink_(std::move(sink)) {}

  int MessageBox(const std::string& text, const std::string& caption, int flags) override;
  // Answered from the queued file names; nothing queued: cancelled.
  std::optional<std::string> SaveFileName(const SaveFileRequest& request) override;

  void QueueAnswer(int result) { answers_.push_back(result); }
  // Whether boxes are printed to the sink (they are recorded either way): off while a
  // caller reports in words of its own what the box says.
  void SetEcho(bool on) { echo_ = on; }
  // The next save dialog's answer; an empty optional cancels it.
  void QueueFileName(std::optional<std::string> path) { fileNames_.push_back(std::move(path)); }
  const std::vector<SaveFileRequest>& SaveDialogsShown() const { return saveDialogs_; }
  const std::vector<ShownMessage>& Shown() const { return shown_; }
  void Clear() {
    shown_.clear();
    saveDialogs_.clear();
  }

 private:
  LineSink sink_;
  bool echo_ = true;
  std::deque<int> answers_;
  std::vector<ShownMessage> shown_;
  std::deque<std::optional<std::string>> fileNames_;
  std::vector<SaveFileRequest> saveDialogs_;
};

}  // namespace kelvatrix
