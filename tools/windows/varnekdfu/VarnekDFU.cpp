// Stand-in of the firmware flashing tool (VarnekDFU.exe), for tests and demonstrations. It
// insists on the command line -file "<path>" -sync with an existing file, then plays a
// scenario of reports into the mailslot \\.\Mailslot\VazEzeveDIR.
//
// Scenario ("VarnekDFU.scenario" beside it, else the file BREVIX_DFU_SCENARIO names), one
// command a line, "#" for comments:
//   send <status> <type> <value>   one 6-byte report (little-endian 16-bit fields)
//   bytes <hex> <hex> ...          a message of exactly these bytes (too short, too long)
//   sleep <ms>                     a pause; at the end of a scenario, waiting to be ended
//   spawn                          starts a helper process of its own, as the real tool does
//   flash [<serial>]               the hub now runs the new firmware: writes <serial> (default
//                                  "<version of the -file name>-0") to the file named by
//                                  BREVIX_SENSOR_FIRMWARE, which the test sensor server reports
//                                  as the hub's serial number (its fixture's "@" serials)
//   exit <code>                    ends here
// Without one it plays a complete successful flash over about four seconds, the new firmware
// in the hub before the success report, and then waits to be ended, as the real tool does.
// A scenario without "flash" reports success while the hub keeps its old firmware.
#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "../standin/StandIn.h"
#include "engine/VersionText.h"

namespace {

using namespace brevix::standin;

constexpr wchar_t kMailslot[] = L"\\\\.\\Mailslot\\VazEzeveDIR";

std::string DefaultScenario() {
  std::string s = "sleep 800\nsend 0 2 0\nsleep 300\n";
  for (int percent = 5; percent <= 100; percent += 5) s += "send 0 4 " + std::to_string(percent) + "\nsleep 150\n";
  return s + "flash\nsend 0 5 0\nsleep 60000\n";
}

class Mailslot {
 public:
  ~Mailslot() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  }
  bool Write(const std::vector<std::uint8_t>& bytes) {
    if (handle_ == INVALID_HANDLE_VALUE) {
      handle_ = CreateFileW(kMailslot, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
      if (handle_ == INVALID_HANDLE_VALUE) {
        Record("VarnekDFU: cannot open the mailslot (" + std::to_string(GetLastError()) + ")");
        return false;
      }
    }
    DWORD written = 0;
    return WriteFile(handle_, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
  }

 private:
  HANDLE handle_ = INVALID_HANDLE_VALUE;
};

void Put16(std::vector<std::uint8_t>& out, unsigned long v) {
  out.push_back(static_cast<std::uint8_t>(v & 0xFF));
  out.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
}

// A helper process that only waits, so that ending the tool's tree has something to end.
bool Spawn() {
  std::wstring command = L"\"" + ModulePath() + L"\" -hold 60000";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
    return false;
  }
  Record("VarnekDFU: spawned " + std::to_string(info.dwProcessId));
  CloseHandle(info.hThread);
  CloseHandle(info.hProcess);
  return true;
}

// Writes the firmware the hub reports from now on where the test sensor server reads it. A
// run without that file named (a demonstration without the server) has nothing to change.
bool Flash(const std::string& serial) {
  wchar_t path[MAX_PATH] = {};
  const DWORD n = GetEnvironmentVariableW(L"BREVIX_SENSOR_FIRMWARE", path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) {
    Record("VarnekDFU: flash " + serial + " (no BREVIX_SENSOR_FIRMWARE)");
    return true;
  }
  HANDLE h = CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok = WriteFile(h, serial.data(), static_cast<DWORD>(serial.size()), &written, nullptr) &&
                  written == serial.size();
  CloseHandle(h);
  Record("VarnekDFU: flash " + serial);
  return ok;
}

int Play(const std::string& scenario, const std::wstring& firmwareFile) {
  Mailslot mailslot;
  for (const std::string& line : Lines(scenario)) {
    const std::vector<std::string> words = Words(line);
    if (words.empty() || words[0][0] == '#') continue;
    const std::string& command = words[0];
    auto number = [&](std::size_t i, int base = 10) {
      return i < words.size() ? std::strtoul(words[i].c_str(), nullptr, base) : 0ul;
    };
    if (command == "send") {
      std::vector<std::uint8_t> message;
      for (std::size_t i = 1; i <= 3; ++i) Put16(message, number(i));
      if (!mailslot.Write(message)) return 4;
    } else if (command == "bytes") {
      std::vector<std::uint8_t> message;
      for (std::size_t i = 1; i < words.size(); ++i) message.push_back(static_cast<std::uint8_t>(number(i, 16)));
      if (!mailslot.Write(message)) return 4;
    } else if (command == "sleep") {
      Sleep(number(1));
    } else if (command == "spawn") {
      if (!Spawn()) return 5;
    } else if (command == "flash") {
      std::string serial = words.size() > 1 ? words[1] : std::string();
      if (serial.empty()) {
        const auto version = brevix::ParseFirmwareFileVersion(
            std::u16string(reinterpret_cast<const char16_t*>(NameOf(firmwareFile).c_str())));
        serial = Narrow(version ? std::wstring(version->begin(), version->end()) : L"") + "-0";
      }
      if (!Flash(serial)) return 7;
    } else if (command == "exit") {
      const int code = static_cast<int>(number(1));
      Record("VarnekDFU: exit " + std::to_string(code));
      return code;
    } else {
      Record("VarnekDFU: unknown scenario command " + command);
      return 6;
    }
  }
  Record("VarnekDFU: scenario over");
  return 0;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  const std::wstring tail = ArgumentTail();
  if (tail.rfind(L"-hold ", 0) == 0) {
    Sleep(wcstoul(tail.c_str() + 6, nullptr, 10));
    return 0;
  }
  // Exactly: -file "<path>" -sync
  const std::wstring head = L"-file \"", end = L"\" -sync";
  const std::size_t close = tail.find(L'"', head.size());
  if (tail.rfind(head, 0) != 0 || close == std::wstring::npos || close == head.size() ||
      tail.substr(close) != end) {
    Record("VarnekDFU: bad command line [" + Narrow(tail) + "]");
    return 2;
  }
  const std::wstring file = tail.substr(head.size(), close - head.size());
  const DWORD attributes = GetFileAttributesW(file.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    Record("VarnekDFU: no firmware file [" + Narrow(file) + "]");
    return 3;
  }
  Record("VarnekDFU: flashing [" + Narrow(file) + "]");
  std::string scenario = ReadScenario(L"VarnekDFU.scenario", L"BREVIX_DFU_SCENARIO");
  if (scenario.empty()) scenario = DefaultScenario();
  return Play(scenario, file);
}
