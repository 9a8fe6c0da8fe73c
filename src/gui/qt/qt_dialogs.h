#pragma once
#include <QWidget>

#include "platform/dialogs.h"

namespace kelvatrix {

// Dialogs as real modal message boxes.
class QtDialogs final : public Dialogs {
 public:
  int MessageBox(const std::string& text, const std::string& caption, int flags) override;
  std::optional<std::string> SaveFileName(const SaveFileRequest& request) override;
  void SetOwner(QWidget* owner) { owner_ = owner; }

 private:
  QWidget* owner_ = nullptr;
};

}  // namespace kelvatrix
