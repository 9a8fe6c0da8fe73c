#pragma once
// A locale whose decimal point is a comma (German), made for the test run with localedef
// into a folder of its own, so the tests need no locale installed on the machine: the
// program's number texts must not change with it.

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>

#include <unistd.h>

namespace kelvatrix::test {

// The locale's name; LOCPATH is set to the folder that holds it (a process started from
// here inherits it), which goes away when the test program ends. Raises when localedef
// cannot make it.
inline std::string DecimalCommaLocale() {
  struct Made {
    std::string folder;
    Made() {
      char name[] = "/tmp/kelvatrix-locale-XXXXXX";
      if (!mkdtemp(name)) throw std::runtime_error("no folder for the test locale");
      folder = name;
      const std::string command = "localedef -i de_DE -f UTF-8 " + folder + "/de_DE.UTF-8 2>&1";
      if (std::system(command.c_str()) != 0)
        throw std::runtime_error("localedef could not make de_DE.UTF-8 (package locales)");
      setenv("LOCPATH", folder.c_str(), 1);
    }
    ~Made() {
      std::error_code ignored;
      std::filesystem::remove_all(folder, ignored);
    }
  };
  static const Made made;
  return "de_DE.UTF-8";
}

}  // namespace kelvatrix::test
