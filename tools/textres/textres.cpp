// Turns a reviewable UTF-8 text (language table or licence) into the resource form the
// program reads: UTF-16LE with a byte-order mark and CR LF line ends.
//   textres <input.utf8> <output.bin>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>

#include "platform/Text.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: textres <input.utf8> <output.bin>\n";
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  if (!in) {
    std::cerr << "textres: cannot read " << argv[1] << "\n";
    return 1;
  }
  std::string utf8((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (utf8.size() >= 3 && utf8.compare(0, 3, "\xEF\xBB\xBF") == 0) utf8.erase(0, 3);

  const std::u16string text = brevix::Utf8ToUtf16(utf8);
  if (brevix::Utf16ToUtf8(text) != utf8) {
    std::cerr << "textres: " << argv[1] << " is not valid UTF-8\n";
    return 1;
  }
  std::u16string crlf = u"\uFEFF";
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'\r') continue;  // CR LF and LF sources give the same result
    if (text[i] == u'\n') crlf += u'\r';
    crlf += text[i];
  }
  const brevix::Bytes bytes = brevix::EncodeUtf16Le(crlf);
  std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!out) {
    std::cerr << "textres: cannot write " << argv[2] << "\n";
    return 1;
  }
  return 0;
}
