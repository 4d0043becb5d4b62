#include "ui/framework/Trace.h"

#include <windows.h>

#include <exception>
#include <string>

namespace brevix::framework {

void TraceSwallowedException(const char* where) noexcept {
  try {
    std::string line = std::string("brevix: exception swallowed in ") + where + ": ";
    try {
      throw;
    } catch (const std::exception& e) {
      line += e.what();
    } catch (...) {
      line += "(not a std::exception)";
    }
    line += "\n";
    ::OutputDebugStringA(line.c_str());
  } catch (...) {
    ::OutputDebugStringA("brevix: exception swallowed\n");
  }
}

}  // namespace brevix::framework
