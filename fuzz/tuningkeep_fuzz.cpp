// Keep files ("调试前均衡.json") of any bytes: what is taken holds only
// channels, banks and gains a restore can write, and comes back unchanged
// through a save and a load.

#include <QByteArray>
#include <cstdint>

#include "files/tuningkeep.h"
#include "fuzzcheck.h"

using namespace eqset;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const QByteArray file(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  const auto keeps = TuningKeep::fromFile(file);
  if (!keeps) return 0;
  for (const auto& [key, k] : *keeps) {
    FUZZ_CHECK(key.first == k.bankOffset && key.second == k.channel);
    FUZZ_CHECK(k.channel >= 0 && k.channel < kChannels);
    FUZZ_CHECK(k.bankOffset == 0 || k.bankOffset == 300 || k.bankOffset == 600);
    for (int r : k.registers)
      FUZZ_CHECK(r >= 0 && r <= 2 * kBandGainOffset);
  }
  const auto again = TuningKeep::fromFile(TuningKeep::fileBytes(*keeps));
  FUZZ_CHECK(again && again->size() == keeps->size());
  for (const auto& [key, k] : *keeps) {
    const auto& back = again->at(key);
    FUZZ_CHECK(back.registers == k.registers && back.run == k.run);
  }
  return 0;
}
