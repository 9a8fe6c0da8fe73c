#include "platform/dialogs.h"

namespace kelvatrix {

std::string StandardErrorText(std::string_view message) {
  std::string text(message);
  if (!text.empty() && static_cast<unsigned char>(text.back()) > '.') text += '.';
  return text;
}

void ShowStandardError(Dialogs& dialogs, const std::string& applicationTitle,
                       std::string_view message) {
  dialogs.MessageBox(StandardErrorText(message), applicationTitle, box::kError);
}

}  // namespace kelvatrix
