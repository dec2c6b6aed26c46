#include "params/registerimage.h"

namespace eqset {

bool RegisterImage::storeRead(int address, int value) {
  if (value < -32768 || value > 32767) return false;
  set(address, static_cast<std::int16_t>(value));
  return true;
}

}  // namespace eqset
