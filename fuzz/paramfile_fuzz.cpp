// Parameter files (*.bin) as the file dialogs hand them over: any bytes of any
// length. Loads every input's bank, saves the loaded image back over the file
// and copies each bank onto each other one.

#include <QByteArray>
#include <algorithm>
#include <cstdint>

#include "files/fileformats.h"
#include "fuzzcheck.h"

using namespace eqset;
using namespace eqset::paramfile;

namespace {

constexpr int kBanks[] = {0, 300, 600};

int byteAt(const QByteArray& bytes, int k) {
  return static_cast<std::uint8_t>(bytes[k]);
}

// No cell holds a byte, so every cell a load writes shows.
RegisterImage untouchedImage() {
  RegisterImage image;
  for (int k = 0; k < RegisterImage::kSize; ++k)
    image.set(k, static_cast<std::int16_t>(-1 - k % 7));
  return image;
}

bool sameCells(const RegisterImage& a, const RegisterImage& b) {
  for (int k = 0; k < RegisterImage::kSize; ++k) {
    if (a.at(k) != b.at(k)) return false;
  }
  return true;
}

void checkLoadAndSave(const QByteArray& file, int bank) {
  const RegisterImage before = untouchedImage();
  RegisterImage image = before;
  const bool holdsBank = file.size() >= std::max(bankEnd(bank), kSharedEnd);
  if (const auto refusal = load(file, bank, image)) {
    FUZZ_CHECK(!holdsBank);
    FUZZ_CHECK(!refusal->message.isEmpty());
    FUZZ_CHECK(sameCells(image, before));
    return;
  }
  FUZZ_CHECK(holdsBank);
  for (int k = 0; k < kBankCells; ++k)
    FUZZ_CHECK(image.at(k) == byteAt(file, bank + k));
  for (int k = kSharedFirst; k < kSharedEnd; ++k)
    FUZZ_CHECK(image.at(k) == byteAt(file, k));
  for (int k = kSharedEnd; k < RegisterImage::kSize; ++k)
    FUZZ_CHECK(image.at(k) == before.at(k));

  // Every loaded cell is a byte, so a save never refuses; and the loaded
  // bytes go back where they came from, so the file does not change.
  const auto saved = save(file, image, bank);
  FUZZ_CHECK(std::holds_alternative<QByteArray>(saved));
  FUZZ_CHECK(std::get<QByteArray>(saved) == file);

  // Into a new file: the bank and the shared block, zeros elsewhere, and a
  // load gives the same cells back.
  const auto fresh = save({}, image, bank);
  FUZZ_CHECK(std::holds_alternative<QByteArray>(fresh));
  const QByteArray& bytes = std::get<QByteArray>(fresh);
  FUZZ_CHECK(bytes.size() == std::max(bankEnd(bank), kSharedEnd));
  for (int k = 0; k < bytes.size(); ++k) {
    const bool written = (k >= bank && k < bankEnd(bank)) || (k >= kSharedFirst && k < kSharedEnd);
    if (!written) FUZZ_CHECK(bytes[k] == 0);
  }
  RegisterImage again = untouchedImage();
  FUZZ_CHECK(!load(bytes, bank, again));
  FUZZ_CHECK(sameCells(again, image));
}

void checkCopy(const QByteArray& file, int from, int to) {
  const auto copied = copyBank(file, from, to);
  if (const auto* refusal = std::get_if<Refusal>(&copied)) {
    FUZZ_CHECK(file.size() < bankEnd(from) || file.size() < kSharedEnd);
    FUZZ_CHECK(!refusal->message.isEmpty());
    return;
  }
  FUZZ_CHECK(file.size() >= bankEnd(from));
  const QByteArray& bytes = std::get<QByteArray>(copied);
  FUZZ_CHECK(bytes.size() == std::max<qsizetype>(file.size(), bankEnd(to)));
  for (int k = 0; k < bytes.size(); ++k) {
    if (k >= to && k < bankEnd(to)) {
      FUZZ_CHECK(bytes[k] == file[from + k - to]);
    } else if (k < file.size()) {
      FUZZ_CHECK(bytes[k] == file[k]);  // outside the destination nothing moves
    } else {
      FUZZ_CHECK(bytes[k] == 0);  // a gap before a new bank fills with zeros
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const QByteArray file(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  for (int bank : kBanks)
    checkLoadAndSave(file, bank);
  for (int from : kBanks) {
    for (int to : kBanks)
      checkCopy(file, from, to);
  }
  return 0;
}
