#include "platform/console.h"

namespace platform {

std::uint32_t default_palette(int index) {
  // N B G BG R BR GR W, then the bright versions.
  static constexpr std::uint32_t kColours[16] = {
      0x000000, 0x0000AA, 0x00AA00, 0x00AAAA, 0xAA0000, 0xAA00AA, 0xAA5500, 0xAAAAAA,
      0x555555, 0x5555FF, 0x55FF55, 0x55FFFF, 0xFF5555, 0xFF55FF, 0xFFFF55, 0xFFFFFF};
  return (index >= 0 && index < 16) ? kColours[index] : 0;
}

}  // namespace platform
