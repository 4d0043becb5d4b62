// The licence page's background as the product loads it before its first page shows: the
// PNG it carries, through skin::LoadSkinBitmap (COM and WIC come up in the first call), against
// LoadBitmap of the same picture stored uncompressed, as the product stored it before. Both
// resources have the page's id, 143, one of type PNG and one BITMAP.
//   skindecode png|bmp
// Prints "first_us=... next_us=... same=0|1": the first load in this process, a second one, and
// whether the two forms give exactly the same pixels. Exit code 1 when a load failed.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "ui/ResourceIds.h"
#include "ui/skin/win32/SkinPaint.h"
#include "ui/skin/win32/SkinPicture.h"

namespace {

using brevix::framework::BitmapHandle;

long long NowUs() {
  LARGE_INTEGER f{}, now{};
  QueryPerformanceFrequency(&f);
  QueryPerformanceCounter(&now);
  return now.QuadPart / f.QuadPart * 1000000 + now.QuadPart % f.QuadPart * 1000000 / f.QuadPart;
}

BitmapHandle Load(bool png) {
  if (png) return brevix::skin::LoadSkinBitmap(IDB_PAGE_BACKGROUND);
  return BitmapHandle(LoadBitmapW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDB_PAGE_BACKGROUND)));
}

// 32-bit top-down pixels of a bitmap; empty when they cannot be read.
std::vector<BYTE> Pixels(HBITMAP bitmap) {
  const SIZE size = brevix::skin::BitmapSize(bitmap);
  BITMAPINFO header = brevix::skin::TopDownRgb32(size.cx, size.cy);
  std::vector<BYTE> pixels(std::size_t(size.cx) * size.cy * 4);
  HDC screen = GetDC(nullptr);
  const int rows = pixels.empty() ? 0 : GetDIBits(screen, bitmap, 0, size.cy, pixels.data(), &header, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  if (rows != size.cy) return {};
  for (std::size_t i = 3; i < pixels.size(); i += 4) pixels[i] = 0;  // no alpha in either
  return pixels;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2 || (std::wcscmp(argv[1], L"png") && std::wcscmp(argv[1], L"bmp"))) {
    std::fprintf(stderr, "usage: skindecode png|bmp\n");
    return 2;
  }
  const bool png = !std::wcscmp(argv[1], L"png");
  // The product's dialog exists when it loads the picture: the display is up before the clock starts.
  ReleaseDC(nullptr, GetDC(nullptr));
  const long long start = NowUs();
  const BitmapHandle first = Load(png);
  const long long between = NowUs();
  const BitmapHandle next = Load(png);
  const long long end = NowUs();
  const BitmapHandle other = Load(!png);
  if (!first || !next || !other) {
    std::fprintf(stderr, "a load of the page background failed\n");
    return 1;
  }
  const std::vector<BYTE> mine = Pixels(first.get()), theirs = Pixels(other.get());
  const bool same = !mine.empty() && mine == theirs;
  std::printf("first_us=%lld next_us=%lld same=%d\n", between - start, end - between, same ? 1 : 0);
  return 0;
}
