#include "platform/application_title.h"

#include <cctype>
#include <filesystem>

#ifdef _WIN32
#include <windows.h>
#endif

namespace kelvatrix {

std::string ApplicationTitle(std::string_view executablePath) {
  const auto slash = executablePath.find_last_of("/\\");
  std::string_view name =
      slash == std::string_view::npos ? executablePath : executablePath.substr(slash + 1);
  name = name.substr(0, name.find('.'));
  std::string title(name);
  for (std::size_t i = 1; i < title.size(); ++i) {
    title[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(title[i])));
  }
  return title;
}

std::string ExecutablePath() {
#ifdef _WIN32
  char buffer[MAX_PATH + 1] = {};
  const DWORD length = GetModuleFileNameA(nullptr, buffer, MAX_PATH);
  return std::string(buffer, length);
#else
  std::error_code error;
  const auto path = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::string() : path.string();
#endif
}

}  // namespace kelvatrix
