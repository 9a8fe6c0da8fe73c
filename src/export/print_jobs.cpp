#include "export/print_jobs.h"

namespace kelvatrix {

std::string PrintFileName(const std::string& title) {
  std::string name = title;
  for (char& c : name) {
    if (c == '/' || c == '\\' || c == ':' || static_cast<unsigned char>(c) < 32) c = '_';
  }
  return name;
}

}  // namespace kelvatrix
