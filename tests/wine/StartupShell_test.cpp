// The start-up shell's single-instance claim against the real named mutexes: the logon
// session's name and the machine's ("Global\<name>"), with names of the test's own.
#include <windows.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include <string>

#include "app/win32/Win32StartupShell.h"

namespace brevix {
namespace {

using win32::UniqueHandle;
using win32::W;

const std::u16string kName = u"Brevix start-up shell test " + Utf8ToUtf16(std::to_string(GetCurrentProcessId()));
const std::u16string kMachineName = u"Global\\" + kName;

bool Exists(const std::u16string& name) { return UniqueHandle(OpenMutexW(SYNCHRONIZE, FALSE, W(name))).get(); }

// A mutex another run holds; with an empty access list nobody else may open it, as a run of
// another user keeps its objects from this one.
UniqueHandle Hold(const std::u16string& name, bool shutOut) {
  win32::LocalMemory descriptor;
  SECURITY_ATTRIBUTES attributes{sizeof attributes, nullptr, FALSE};
  if (shutOut) {
    ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:", SDDL_REVISION_1, &descriptor.p, nullptr);
    attributes.lpSecurityDescriptor = descriptor.p;
  }
  return UniqueHandle(CreateMutexW(&attributes, FALSE, W(name)));
}

TEST(Win32StartupShell, ClaimsBothNamesAndHoldsThemForTheRun) {
  UniqueHandle instance;
  {
    win32::Win32StartupShell shell(instance, kName);
    ASSERT_TRUE(shell.ClaimSingleInstance());
    EXPECT_TRUE(Exists(kName));
    EXPECT_TRUE(Exists(kMachineName));
    // The next run, in this session or in another one, is refused.
    UniqueHandle second;
    win32::Win32StartupShell next(second, kName);
    EXPECT_FALSE(next.ClaimSingleInstance());
    EXPECT_FALSE(second);
    EXPECT_TRUE(Exists(kMachineName)) << "the refused run took the first run's name with it";
  }
  // The machine's name goes with the shell, the session's with the handle start-up keeps.
  EXPECT_FALSE(Exists(kMachineName));
  EXPECT_TRUE(Exists(kName));
  instance.reset();
  EXPECT_FALSE(Exists(kName));
}

TEST(Win32StartupShell, EitherNameHeldElsewhereRefusesAndKeepsNothing) {
  struct Case {
    const char* what;
    const std::u16string& held;
    const std::u16string& other;
    bool shutOut;
  } cases[] = {
      {"a run in this session", kName, kMachineName, false},
      {"a run in another session", kMachineName, kName, false},
      {"another user's run, whose name this one may not open", kMachineName, kName, true},
      {"another user's run in this session", kName, kMachineName, true},
  };
  for (const auto& c : cases) {
    const UniqueHandle holder = Hold(c.held, c.shutOut);
    ASSERT_TRUE(holder) << c.what;
    if (c.shutOut) {
      const UniqueHandle probe(CreateMutexW(nullptr, FALSE, W(c.held)));
      ASSERT_TRUE(!probe && GetLastError() == ERROR_ACCESS_DENIED) << c.what << ": the name is not shut";
    }
    UniqueHandle instance;
    win32::Win32StartupShell shell(instance, kName);
    EXPECT_FALSE(shell.ClaimSingleInstance()) << c.what;
    EXPECT_FALSE(instance) << c.what;
    EXPECT_FALSE(Exists(c.other)) << c.what << ": the refused run holds the other name";
  }
}

}  // namespace
}  // namespace brevix
