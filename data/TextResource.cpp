#include "data/TextResource.h"

#include <string>

namespace brevix {

std::optional<Bytes> Utf8ToResourceText(std::string_view utf8) {
  if (utf8.substr(0, 3) == "\xEF\xBB\xBF") utf8.remove_prefix(3);
  const std::u16string text = Utf8ToUtf16(utf8);
  if (Utf16ToUtf8(text) != utf8) return std::nullopt;
  std::u16string crlf = u"\uFEFF";
  for (char16_t c : text) {
    if (c == u'\r') continue;
    if (c == u'\n') crlf += u'\r';
    crlf += c;
  }
  return EncodeUtf16Le(crlf);
}

}  // namespace brevix
