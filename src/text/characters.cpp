#include "text/characters.h"

namespace tibrel {

std::u32string DecodeText(std::string_view text) {
  std::u32string out;
  out.reserve(text.size());
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  size_t i = 0;
  while (i < text.size()) {
    const unsigned char b = byte(i);
    size_t n = b >= 0xF0 && b < 0xF5 ? 4 : b >= 0xE0 ? 3 : b >= 0xC2 && b < 0xE0 ? 2 : 1;
    if (b < 0x80 || b >= 0xF5 || n > text.size() - i) n = 1;
    char32_t c = n == 1 ? b : n == 2 ? (b & 0x1F) : n == 3 ? (b & 0x0F) : (b & 0x07);
    for (size_t k = 1; k < n; ++k) {
      if ((byte(i + k) & 0xC0) != 0x80) {
        n = 1;
        c = b;
        break;
      }
      c = (c << 6) | (byte(i + k) & 0x3F);
    }
    // Overlong forms and surrogates are not characters: the lead byte stands alone.
    if ((n == 3 && (c < 0x800 || (c >= 0xD800 && c < 0xE000))) || (n == 4 && (c < 0x10000 || c > 0x10FFFF))) {
      n = 1;
      c = b;
    }
    out.push_back(c);
    i += n;
  }
  return out;
}

}  // namespace tibrel
