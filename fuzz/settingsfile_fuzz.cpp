// Settings files (*.eqs) of any bytes: a file is taken whole or refused
// naming a field, and what is taken passes the save's check and comes back
// unchanged through a save and a load.

#include <QByteArray>
#include <cstdint>
#include <variant>

#include "files/settingsfile.h"
#include "fuzzcheck.h"

using namespace eqset;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const QByteArray file(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  const auto loaded = settingsfile::fromJson(file);
  if (const auto* error = std::get_if<settingsfile::FieldError>(&loaded)) {
    FUZZ_CHECK(!error->expected.isEmpty());
    return 0;
  }
  const HallSettings& settings = std::get<HallSettings>(loaded);
  FUZZ_CHECK(!settingsfile::check(settings));
  const auto again = settingsfile::fromJson(settingsfile::toJson(settings));
  FUZZ_CHECK(std::holds_alternative<HallSettings>(again));
  FUZZ_CHECK(std::get<HallSettings>(again) == settings);
  return 0;
}
