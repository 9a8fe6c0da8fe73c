#pragma once
// What the window's logic (MainWindow) asks of the window system it is shown on, beyond
// the dialogs, the export's feedback and the print jobs, which have ports of their own.
// Each front end's main window implements it; tests record it.

#include <string>

namespace kelvatrix {

enum class CommandButton { Download, Save, PrintData, PrintGraph };

class WindowSkin {
 public:
  virtual ~WindowSkin() = default;
  // The status indicator's text ("Connect ok!", "Disconnect!").
  virtual void SetStatusText(const std::string& text) = 0;
  // Gives the window its design size and centres it on the screen's work area.
  virtual void PlaceWindow() = 0;
  // Paints the button again at once, so it looks released again after its command.
  virtual void RedrawButton(CommandButton button) = 0;
  // Now, as the user's locale writes a short date and time, for the printed report.
  virtual std::string NowText() = 0;
};

}  // namespace kelvatrix
