// Test driver for the console modes: starts the program with a raw command-line tail, reads
// what it wrote and reports how it ended. Its own console is given up first, so the program
// allocates one of its own; the findings go to a file (UTF-8).
//
//   consoledriver <report> <seconds> console <prompt|-> <program> [tail]
//     Attaches to the program's console, reads its screen, and once <prompt> shows there (on one
//     row, or wrapped over several) and the program is still running a moment later, presses
//     Enter once ("-": never).
//   consoledriver <report> <seconds> pipes <program> [tail]
//     Starts the program with inherited pipes as its standard handles (its input stays open
//     and silent) and collects its standard output byte for byte.
//
// Report: "exit=<code>" (or "exit=timeout" when the program was ended after <seconds>, or
// "exit=not-started"), "attached=0|1", "waited=0|1" (the program was still running at its
// prompt and read the Enter pressed there),
// "width=<columns>", "height=<rows of the screen buffer>" (text beyond them scrolls away),
// "cursor=<column>,<row>" (where the console's cursor ended), then a line "--- transcript" and
// the transcript: the console's rows from the first to the cursor's, each without its trailing
// blanks and ended by a line feed (so empty rows before the cursor count), or the bytes of the
// pipe.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

struct Findings {
  std::string exit = "not-started";
  bool attached = false;
  bool waited = false;
  int width = 0;
  int height = 0;
  int cursorX = -1;
  int cursorY = -1;
  std::string transcript;
};

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
  return out;
}

class Handle {
 public:
  explicit Handle(HANDLE h = nullptr) : h_(h) {}
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  ~Handle() { Close(); }
  HANDLE get() const { return h_; }
  HANDLE* out() { return &h_; }
  bool valid() const { return h_ && h_ != INVALID_HANDLE_VALUE; }
  void Close() {
    if (valid()) CloseHandle(h_);
    h_ = nullptr;
  }

 private:
  HANDLE h_;
};

// The screen buffer's rows from the first to the cursor's, each without its trailing blanks and
// ended by a line feed. <flow> gets the same rows whole and end to end, so that a text the console
// wrapped onto the next row is found there in one piece.
std::wstring ReadScreen(HANDLE conout, Findings& f, std::wstring* flow = nullptr) {
  CONSOLE_SCREEN_BUFFER_INFO info{};
  if (!GetConsoleScreenBufferInfo(conout, &info)) return {};
  f.width = info.dwSize.X;
  f.height = info.dwSize.Y;
  f.cursorX = info.dwCursorPosition.X;
  f.cursorY = info.dwCursorPosition.Y;
  std::wstring text;
  std::wstring row(static_cast<std::size_t>(info.dwSize.X), L' ');
  for (SHORT y = 0; y <= info.dwCursorPosition.Y && y < info.dwSize.Y; ++y) {
    DWORD read = 0;
    if (!ReadConsoleOutputCharacterW(conout, row.data(), info.dwSize.X, COORD{0, y}, &read)) break;
    std::wstring line = row.substr(0, read);
    if (flow) *flow += line;
    line.erase(line.find_last_not_of(L' ') + 1);
    text += line;
    text += L'\n';
  }
  return text;
}

void PressEnter(HANDLE conin) {
  INPUT_RECORD keys[2]{};
  for (int i = 0; i < 2; ++i) {
    keys[i].EventType = KEY_EVENT;
    KEY_EVENT_RECORD& k = keys[i].Event.KeyEvent;
    k.bKeyDown = i == 0;
    k.wRepeatCount = 1;
    k.wVirtualKeyCode = VK_RETURN;
    k.wVirtualScanCode = static_cast<WORD>(MapVirtualKeyW(VK_RETURN, 0));
    k.uChar.UnicodeChar = L'\r';
  }
  DWORD written = 0;
  WriteConsoleInputW(conin, keys, 2, &written);
}

std::string ExitText(HANDLE process) {
  DWORD code = 0;
  GetExitCodeProcess(process, &code);
  return std::to_string(code);
}

void RunOnConsole(PROCESS_INFORMATION& pi, ULONGLONG deadline, const std::wstring& prompt, Findings& f) {
  while (GetTickCount64() < deadline) {
    if (AttachConsole(pi.dwProcessId)) {
      f.attached = true;
      break;
    }
    if (WaitForSingleObject(pi.hProcess, 50) == WAIT_OBJECT_0) break;
  }
  if (!f.attached) return;
  Handle conout(CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, 0, nullptr));
  Handle conin(CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr));
  bool pressed = prompt == L"-";
  std::wstring screen;
  while (GetTickCount64() < deadline) {
    std::wstring flow;
    screen = ReadScreen(conout.get(), f, &flow);
    if (!pressed && flow.find(prompt) != std::wstring::npos) {
      // It waited for us when it is still running a while after its prompt showed and then
      // reads the key we press (a program that does not read leaves the events where they are).
      const bool running = WaitForSingleObject(pi.hProcess, 700) == WAIT_TIMEOUT;
      PressEnter(conin.get());
      pressed = true;
      const ULONGLONG until = GetTickCount64() + 5000;
      DWORD pending = 2;
      while (GetTickCount64() < until && GetNumberOfConsoleInputEvents(conin.get(), &pending) && pending >= 2) Sleep(20);
      f.waited = running && pending < 2;
    }
    if (WaitForSingleObject(pi.hProcess, 100) == WAIT_OBJECT_0) break;
  }
  // The console lives on while we are attached: read what the program left.
  screen = ReadScreen(conout.get(), f);
  f.transcript = Utf8(screen);
}

void CollectPipe(HANDLE pipe, std::string& into) {
  DWORD available = 0;
  while (PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr) && available > 0) {
    std::string chunk(available, '\0');
    DWORD read = 0;
    if (!ReadFile(pipe, chunk.data(), available, &read, nullptr) || read == 0) return;
    into.append(chunk, 0, read);
  }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 5) return 2;
  const std::wstring reportPath = argv[1];
  const ULONGLONG deadline = GetTickCount64() + 1000ull * static_cast<ULONGLONG>(_wtoi(argv[2]));
  const std::wstring mode = argv[3];
  const bool pipes = mode == L"pipes";
  if (!pipes && (mode != L"console" || argc < 6)) return 2;
  const int programArg = pipes ? 4 : 5;
  const std::wstring prompt = pipes ? L"-" : argv[4];
  const std::wstring program = argv[programArg];
  std::wstring commandLine = L"\"" + program + L"\"";
  if (argc > programArg + 1) commandLine += L" " + std::wstring(argv[programArg + 1]);

  FreeConsole();
  if (!pipes) {
    // Nothing of ours to inherit: the program starts as from the desktop, and what it writes
    // can only reach the console it allocates.
    SetStdHandle(STD_INPUT_HANDLE, nullptr);
    SetStdHandle(STD_OUTPUT_HANDLE, nullptr);
    SetStdHandle(STD_ERROR_HANDLE, nullptr);
  }
  Findings f;

  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  Handle outRead, outWrite, inRead, inWrite;
  STARTUPINFOW si{};
  si.cb = sizeof si;
  if (pipes) {
    if (!CreatePipe(outRead.out(), outWrite.out(), &inherit, 0) || !CreatePipe(inRead.out(), inWrite.out(), &inherit, 0)) {
      return 3;
    }
    SetHandleInformation(outRead.get(), HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(inWrite.get(), HANDLE_FLAG_INHERIT, 0);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = inRead.get();
    si.hStdOutput = outWrite.get();
    si.hStdError = outWrite.get();
  }

  PROCESS_INFORMATION pi{};
  if (CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, pipes ? TRUE : FALSE, 0, nullptr, nullptr,
                     &si, &pi)) {
    if (pipes) {
      outWrite.Close();  // the program's copies are its own now
      inRead.Close();
      while (GetTickCount64() < deadline && WaitForSingleObject(pi.hProcess, 50) == WAIT_TIMEOUT) {
        CollectPipe(outRead.get(), f.transcript);
      }
      // Whatever reached the pipe before the end; its end of file may never come, as the
      // program's console host can hold the write end.
      Sleep(200);
      CollectPipe(outRead.get(), f.transcript);
    } else {
      RunOnConsole(pi, deadline, prompt, f);
    }
    if (WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0) {
      f.exit = ExitText(pi.hProcess);
    } else {
      TerminateProcess(pi.hProcess, 1);
      f.exit = "timeout";
    }
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
  }

  FILE* report = _wfopen(reportPath.c_str(), L"wb");
  if (!report) return 4;
  std::fprintf(report, "exit=%s\nattached=%d\nwaited=%d\nwidth=%d\nheight=%d\ncursor=%d,%d\n--- transcript\n%s",
               f.exit.c_str(), f.attached ? 1 : 0, f.waited ? 1 : 0, f.width, f.height, f.cursorX, f.cursorY,
               f.transcript.c_str());
  std::fclose(report);
  return 0;
}
