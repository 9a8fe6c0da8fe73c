#pragma once
// Message boxes and dialogs, behind one small interface so that the program's commands
// can be run without a screen (--batch) and tests can answer them and read what was
// asked. Flags and results use the classic message-box numbers.

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kelvatrix {

namespace box {
inline constexpr int kOk = 0;              // OK button only
inline constexpr int kOkCancel = 1;        // OK and Cancel buttons
inline constexpr int kYesNo = 4;           // Yes and No buttons
inline constexpr int kIconError = 16;      // error icon
inline constexpr int kIconQuestion = 32;   // question icon
inline constexpr int kIconInformation = 64;  // information icon
inline constexpr int kDefaultSecond = 256; // the second button is preselected

inline constexpr int kError = kIconError | kOk;                         // 16
inline constexpr int kQuestion = kIconQuestion | kYesNo;                // 36
inline constexpr int kQuestionDefaultNo = kQuestion | kDefaultSecond;   // 292
inline constexpr int kConfirm = kIconQuestion | kOkCancel;              // 33
inline constexpr int kInformation = kIconInformation | kOk;             // 64

inline constexpr int kResultOk = 1;
inline constexpr int kResultCancel = 2;
inline constexpr int kResultYes = 6;
inline constexpr int kResultNo = 7;
}  // namespace box

class Dialogs {
 public:
  virtual ~Dialogs() = default;

  // Shows `text` captioned `caption` and returns the button chosen (box::kResult...).
  // A carriage return in `text` starts a new line.
  virtual int MessageBox(const std::string& text, const std::string& caption, int flags) = 0;

  // The save-file dialog: the path chosen, or nothing when the operator cancels. The
  // dialog appends `defaultExtension` to a name typed without one, and asks nothing about
  // existing files itself.
  struct SaveFileRequest {
    // Description and pattern of each file type offered ("*.XLS", "*.XLS").
    std::vector<std::pair<std::string, std::string>> filter;
    std::string defaultExtension;
  };
  virtual std::optional<std::string> SaveFileName(const SaveFileRequest& request) = 0;
};

// The text of the standard error box: a full stop is appended when the text's last
// character sorts after the full stop ("Disk full" -> "Disk full.", "Done!" stays).
std::string StandardErrorText(std::string_view message);

// Shows an error that ended a command the way the application reports every error it
// does not handle itself: the text with the full-stop rule, the application title as
// caption, an error icon and an OK button.
void ShowStandardError(Dialogs& dialogs, const std::string& applicationTitle,
                       std::string_view message);

}  // namespace kelvatrix
