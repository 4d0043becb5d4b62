#pragma once
// The skin's big pictures are stored as PNG and decoded by the system's imaging component
// (WIC, through COM: windowscodecs.dll, part of Windows 7 and of Wine), into a 32-bit DIB
// section that paints exactly as the bitmap LoadBitmap made of the uncompressed picture.
#include <windows.h>

#include <cstddef>

#include "ui/framework/Gdi.h"

namespace brevix::skin {

// The resource type the compressed pictures are stored under, with their bitmap id.
inline constexpr wchar_t kPictureResourceType[] = L"PNG";

// The header of a 32-bit top-down DIB without colour table: the layout decoded pictures have.
BITMAPINFO TopDownRgb32(LONG width, LONG height);

// An 8-bit RGB PNG decoded to a bitmap. A null handle when the bytes are not such a picture
// (or are cut short), or COM, WIC or GDI fail. COM is entered (multithreaded) for the decode
// only: a thread that was in no apartment is in none afterwards, one in an apartment stays.
framework::BitmapHandle DecodePicture(const void* bytes, std::size_t size);

}  // namespace brevix::skin
