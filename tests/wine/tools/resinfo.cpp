// Test driver: lists what a program carries, read from its file as data.
//   resinfo <program.exe>
// Prints "version <a.b.c.d>", "manifest <requireAdministrator|...> <comctl6 0|1> <dpiAware 0|1>",
// then "<type> <id> <bytes>" for every resource of the types DAT, INI, TXT, BITMAP, GROUP_ICON,
// "PNG <id> <bytes> <width>x<height> <bits>/<colour type>" (from its header; "not-png" when it
// has none) and "string 101 <text>".
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

std::string Narrow(const wchar_t* w) {
  std::string s;
  for (; *w; ++w) s.push_back(static_cast<char>(*w < 128 ? *w : '?'));
  return s;
}

BOOL CALLBACK Name(HMODULE module, LPCWSTR type, LPWSTR name, LONG_PTR label) {
  if (!IS_INTRESOURCE(name)) return TRUE;
  HRSRC info = FindResourceW(module, name, type);
  std::printf("%s %u %lu\n", reinterpret_cast<const char*>(label), static_cast<unsigned>(reinterpret_cast<ULONG_PTR>(name)),
              info ? SizeofResource(module, info) : 0);
  return TRUE;
}

unsigned BigEndian(const BYTE* p) { return unsigned(p[0]) << 24 | unsigned(p[1]) << 16 | unsigned(p[2]) << 8 | p[3]; }

BOOL CALLBACK Picture(HMODULE module, LPCWSTR type, LPWSTR name, LONG_PTR) {
  if (!IS_INTRESOURCE(name)) return TRUE;
  HRSRC info = FindResourceW(module, name, type);
  const DWORD size = info ? SizeofResource(module, info) : 0;
  const auto* png = size ? static_cast<const BYTE*>(LockResource(LoadResource(module, info))) : nullptr;
  std::printf("PNG %u %lu ", static_cast<unsigned>(reinterpret_cast<ULONG_PTR>(name)), size);
  // The signature, then the IHDR chunk first: width, height, bit depth, colour type.
  static const BYTE kSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (png && size >= 33 && !memcmp(png, kSignature, 8) && !memcmp(png + 12, "IHDR", 4)) {
    std::printf("%ux%u %u/%u\n", BigEndian(png + 16), BigEndian(png + 20), png[24], png[25]);
  } else {
    std::printf("not-png\n");
  }
  return TRUE;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) return 2;
  HMODULE module = LoadLibraryExW(argv[1], nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  if (!module) {
    std::printf("cannot load\n");
    return 1;
  }
  if (HRSRC v = FindResourceW(module, MAKEINTRESOURCEW(1), RT_VERSION)) {
    const auto* data = static_cast<const BYTE*>(LockResource(LoadResource(module, v)));
    // VS_FIXEDFILEINFO follows the "VS_VERSION_INFO" key, aligned to 4 bytes.
    const BYTE* p = data + 6 + sizeof(L"VS_VERSION_INFO");
    p = data + ((p - data + 3) & ~3);
    const auto* fixed = reinterpret_cast<const VS_FIXEDFILEINFO*>(p);
    if (fixed->dwSignature == 0xFEEF04BD) {
      std::printf("version %u.%u.%u.%u\n", HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS),
                  HIWORD(fixed->dwFileVersionLS), LOWORD(fixed->dwFileVersionLS));
    }
  }
  if (HRSRC m = FindResourceW(module, MAKEINTRESOURCEW(1), RT_MANIFEST)) {
    std::string xml(static_cast<const char*>(LockResource(LoadResource(module, m))), SizeofResource(module, m));
    std::printf("manifest %s comctl6=%d dpiAware=%d\n",
                xml.find("level=\"requireAdministrator\"") != std::string::npos ? "requireAdministrator" : "other",
                xml.find("Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"") != std::string::npos,
                xml.find("<dpiAware>true</dpiAware>") != std::string::npos);
    // The architecture the program names for itself, then the one it asks of the common
    // controls: a mismatch leaves the program on the old controls.
    auto arch = [&](std::size_t from) {
      const std::size_t at = xml.find("processorArchitecture=\"", from);
      if (at == std::string::npos) return std::string("none");
      const std::size_t start = at + 23;
      return xml.substr(start, xml.find('"', start) - start);
    };
    const std::size_t controls = xml.find("Microsoft.Windows.Common-Controls");
    std::printf("manifest-arch %s %s\n", arch(0).c_str(),
                controls == std::string::npos ? "none" : arch(xml.rfind("<assemblyIdentity", controls)).c_str());
  }
  EnumResourceNamesW(module, L"DAT", Name, reinterpret_cast<LONG_PTR>("DAT"));
  EnumResourceNamesW(module, L"INI", Name, reinterpret_cast<LONG_PTR>("INI"));
  EnumResourceNamesW(module, L"TXT", Name, reinterpret_cast<LONG_PTR>("TXT"));
  EnumResourceNamesW(module, RT_BITMAP, Name, reinterpret_cast<LONG_PTR>("BITMAP"));
  EnumResourceNamesW(module, L"PNG", Picture, 0);
  EnumResourceNamesW(module, RT_GROUP_ICON, Name, reinterpret_cast<LONG_PTR>("ICON"));
  EnumResourceNamesW(module, RT_DIALOG, Name, reinterpret_cast<LONG_PTR>("DIALOG"));
  wchar_t text[128] = {};
  if (LoadStringW(module, 101, text, 128) > 0) std::printf("string 101 %s\n", Narrow(text).c_str());
  FreeLibrary(module);
  return 0;
}
