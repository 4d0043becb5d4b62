// Turns a reviewable UTF-8 text (language table or licence) into the resource form the
// program reads: UTF-16LE with a byte-order mark and CR LF line ends.
//   textres <input.utf8> <output.bin>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>

#include "data/TextResource.h"

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
  const std::string utf8((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const auto bytes = brevix::Utf8ToResourceText(utf8);
  if (!bytes) {
    std::cerr << "textres: " << argv[1] << " is not valid UTF-8\n";
    return 1;
  }
  std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes->data()), static_cast<std::streamsize>(bytes->size()));
  if (!out) {
    std::cerr << "textres: cannot write " << argv[2] << "\n";
    return 1;
  }
  return 0;
}
