#include "ui/skin/win32/SkinPicture.h"

#include <objbase.h>
#include <wincodec.h>

#include "engine/win32/ComPtr.h"

namespace brevix::skin {
namespace {

using win32::ComPtr;

// Spelled out, as no MinGW library defines them. The factory is WIC 1's: Windows 7 without
// its platform update has no other.
constexpr GUID kClsidImagingFactory = {0xCACAF262, 0x9370, 0x4615, {0xA1, 0x3B, 0x9F, 0x55, 0x39, 0xDA, 0x4C, 0x0A}};
constexpr GUID kClsidPngDecoder = {0x389EA17B, 0x5078, 0x4CDE, {0xB6, 0xEF, 0x25, 0xC1, 0x51, 0x75, 0xC7, 0x51}};
constexpr GUID kFormat24bppBgr = {0x6FDDC324, 0x4E03, 0x4BFE, {0xB1, 0x85, 0x3D, 0x77, 0x76, 0x8D, 0xC9, 0x0C}};
constexpr UINT kMaxSide = 4096;  // far above any skin picture; keeps the sizes below from overflowing

class ComScope {
 public:
  ComScope() : result_(::CoInitializeEx(nullptr, COINIT_MULTITHREADED | COINIT_DISABLE_OLE1DDE)) {}
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;
  ~ComScope() {
    if (SUCCEEDED(result_)) ::CoUninitialize();
  }
  // In an apartment: the one entered here, or the thread's own of another kind.
  bool Usable() const { return SUCCEEDED(result_) || result_ == RPC_E_CHANGED_MODE; }

 private:
  HRESULT result_;
};

}  // namespace

BITMAPINFO TopDownRgb32(LONG width, LONG height) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  return info;
}

framework::BitmapHandle DecodePicture(const void* bytes, std::size_t size) {
  if (!bytes || size == 0 || size > MAXDWORD) return {};
  ComScope com;
  if (!com.Usable()) return {};
  ComPtr<IWICImagingFactory> factory;
  ComPtr<IWICStream> stream;
  ComPtr<IWICBitmapDecoder> decoder;
  ComPtr<IWICBitmapFrameDecode> frame;
  WICPixelFormatGUID format{};
  UINT width = 0, height = 0;
  // The PNG decoder by its class id: asking the factory would try every registered decoder.
  if (FAILED(::CoCreateInstance(kClsidImagingFactory, nullptr, CLSCTX_INPROC_SERVER, __uuidof(IWICImagingFactory),
                                reinterpret_cast<void**>(factory.put()))) ||
      FAILED(factory->CreateStream(stream.put())) ||
      // WIC only reads the bytes; the resource stays as it is.
      FAILED(stream->InitializeFromMemory(static_cast<BYTE*>(const_cast<void*>(bytes)), DWORD(size))) ||
      FAILED(::CoCreateInstance(kClsidPngDecoder, nullptr, CLSCTX_INPROC_SERVER, __uuidof(IWICBitmapDecoder),
                                reinterpret_cast<void**>(decoder.put()))) ||
      FAILED(decoder->Initialize(stream.get(), WICDecodeMetadataCacheOnDemand)) ||
      FAILED(decoder->GetFrame(0, frame.put())) || FAILED(frame->GetPixelFormat(&format)) ||
      FAILED(frame->GetSize(&width, &height))) {
    return {};
  }
  // 8-bit RGB comes out as 24-bit BGR, a DIB's own order: no colour conversion, no rounding.
  if (format != kFormat24bppBgr || width == 0 || height == 0 || width > kMaxSide || height > kMaxSide) return {};

  // A 32-bit DIB section: the screen's own layout, so that painting it is a plain copy, and
  // no second conversion into a device bitmap (which costs more than the decoding under Wine).
  const BITMAPINFO info = TopDownRgb32(LONG(width), LONG(height));  // top-down, as WIC gives the rows
  void* bits = nullptr;
  framework::BitmapHandle bitmap(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap || !bits) return {};
  // The 24-bit rows land packed at the start of the buffer and are spread out from the last
  // pixel back: a pixel's new place never covers one not yet read.
  auto* p = static_cast<BYTE*>(bits);
  const std::size_t pixels = std::size_t(width) * height;
  if (FAILED(frame->CopyPixels(nullptr, width * 3, UINT(pixels * 3), p))) return {};
  for (std::size_t i = pixels; i-- > 0;) {
    const BYTE blue = p[3 * i], green = p[3 * i + 1], red = p[3 * i + 2];
    p[4 * i] = blue;
    p[4 * i + 1] = green;
    p[4 * i + 2] = red;
    p[4 * i + 3] = 0;
  }
  return bitmap;
}

}  // namespace brevix::skin
