#include <windows.h>

#include "app/win32/VarnekDFUApp.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  brevix::win32::CVarnekDFUApp app;
  return app.Run(instance);
}
