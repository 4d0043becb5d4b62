#pragma once
// The resource form of language tables and licences: UTF-16LE with a byte-order mark and
// CR LF line ends, made from reviewable UTF-8 sources.
#include <optional>
#include <string_view>

#include "platform/Text.h"

namespace brevix {

// nullopt when the source is not valid UTF-8. A UTF-8 byte-order mark is dropped; LF and
// CR LF line ends both become CR LF.
std::optional<Bytes> Utf8ToResourceText(std::string_view utf8);

}  // namespace brevix
