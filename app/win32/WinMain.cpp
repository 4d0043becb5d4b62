#include <windows.h>

#include "app/win32/VarnekDFUApp.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  brevix::win32::theApp.InitInstance();
  return 0;  // start-up sets no exit code of its own
}
