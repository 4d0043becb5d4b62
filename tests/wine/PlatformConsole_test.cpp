// The console seam when the standard handles are a file or a pipe, as an unattended run has
// them: the texts arrive as UTF-8, and the wait for Enter does not hold the run.
#include <gtest/gtest.h>

#include "WineTestSupport.h"
#include "platform/win32/Win32Platform.h"

namespace brevix {
namespace {

using testing::ScratchDirectory;
using win32::Win32Console;

// Points a standard handle elsewhere for the test and back after it.
class StdHandleSwap {
 public:
  StdHandleSwap(DWORD which, HANDLE replacement) : which_(which), previous_(GetStdHandle(which)) {
    SetStdHandle(which, replacement);
  }
  ~StdHandleSwap() { SetStdHandle(which_, previous_); }

 private:
  DWORD which_;
  HANDLE previous_;
};

TEST(Win32Console, RedirectedOutputGetsTheTextsAsUtf8) {
  ScratchDirectory dir(L"brevix-console");
  const std::wstring path = dir.Path() + L"\\transcript.txt";
  win32::UniqueHandle file(
      CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(file);
  {
    StdHandleSwap swap(STD_OUTPUT_HANDLE, file.get());
    Win32Console console;
    console.Write(u"Varnek\u00AE Brevix\r\n");
    console.Write(u"\u30D5\u30A1\u30FC\u30E0 \U0001F600\r\n");  // CJK and a surrogate pair
    console.Write(u"");
  }
  file.reset();
  EXPECT_EQ(testing::ReadAll(path), "Varnek\xC2\xAE Brevix\r\n\xE3\x83\x95\xE3\x82\xA1\xE3\x83\xBC\xE3\x83\xA0 \xF0\x9F\x98\x80\r\n");
}

DWORD WINAPI WaitForEnterThread(LPVOID) {
  Win32Console().WaitForEnter();
  return 0;
}

TEST(Win32Console, WaitForEnterOnInputThatIsNoConsoleReturnsAtOnce) {
  HANDLE read = nullptr, write = nullptr;
  ASSERT_TRUE(CreatePipe(&read, &write, nullptr, 0));
  win32::UniqueHandle readEnd(read), writeEnd(write);  // the writer stays open and silent
  ScratchDirectory dir(L"brevix-console-in");
  const std::wstring path = dir.Path() + L"\\empty.txt";
  win32::UniqueHandle file(
      CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(file);
  const struct {
    const char* what;
    HANDLE input;
  } cases[] = {{"a pipe nobody writes to", readEnd.get()}, {"a file", file.get()}, {"no handle at all", nullptr}};
  for (const auto& c : cases) {
    StdHandleSwap swap(STD_INPUT_HANDLE, c.input);
    win32::UniqueHandle thread(CreateThread(nullptr, 0, WaitForEnterThread, nullptr, 0, nullptr));
    ASSERT_TRUE(thread);
    const DWORD waited = WaitForSingleObject(thread.get(), 5000);
    EXPECT_EQ(waited, WAIT_OBJECT_0) << c.what;
    if (waited != WAIT_OBJECT_0) TerminateThread(thread.get(), 1);
  }
}

}  // namespace
}  // namespace brevix
