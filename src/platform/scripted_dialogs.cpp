#include "platform/scripted_dialogs.h"

namespace kelvatrix {

int ScriptedDialogs::MessageBox(const std::string& text, const std::string& caption,
                                int flags) {
  shown_.push_back({text, caption, flags});
  if (sink_ && echo_) {
    std::string line = caption.empty() ? text : caption + ": " + text;
    for (char& c : line) {
      if (c == '\r' || c == '\n') c = ' ';
    }
    sink_(line);
  }
  if (!answers_.empty()) {
    const int answer = answers_.front();
    answers_.pop_front();
    return answer;
  }
  return (flags & box::kYesNo) == box::kYesNo ? box::kResultYes : box::kResultOk;
}

std::optional<std::string> ScriptedDialogs::SaveFileName(const SaveFileRequest& request) {
  saveDialogs_.push_back(request);
  if (fileNames_.empty()) return std::nullopt;
  std::optional<std::string> path = std::move(fileNames_.front());
  fileNames_.pop_front();
  return path;
}

}  // namespace kelvatrix
