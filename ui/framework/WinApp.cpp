#include "ui/framework/WinApp.h"

namespace brevix::framework {
namespace {
WinApp* gApp = nullptr;
}

WinApp::WinApp() {
  if (!gApp) gApp = this;
}

WinApp::~WinApp() {
  if (gApp == this) gApp = nullptr;
}

WinApp* WinApp::Current() { return gApp; }

int WinApp::Run(HINSTANCE instance) {
  instance_ = instance;
  try {
    if (InitInstance()) {
      MSG msg;
      while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
      }
    }
    return ExitInstance();
  } catch (...) {
    return 1;
  }
}

}  // namespace brevix::framework
