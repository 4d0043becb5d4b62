#pragma once
#include <windows.h>

#include <string>

#include "data/LanguageTable.h"

namespace brevix::win32 {

// The application object: one per process, constructed before the entry point. Its first
// language lookup fixes the language table for the whole process.
class CVarnekDFUApp {
 public:
  CVarnekDFUApp();
  ~CVarnekDFUApp();
  CVarnekDFUApp(const CVarnekDFUApp&) = delete;
  CVarnekDFUApp& operator=(const CVarnekDFUApp&) = delete;

  // Runs start-up; always false: the process ends when this returns.
  bool InitInstance();

  HANDLE instanceMutex = nullptr;  // null unless this instance owns the name
  std::u16string windowClassName;
  TextSlot quitQuestionText = u"Popup01";
  TextSlot notSupportedText = u"Popup02";
};

extern CVarnekDFUApp theApp;

// The process's language reader over the program's own resources.
LanguageTable& ProcessLanguageTable();
std::uint16_t UserLanguageId();

}  // namespace brevix::win32
