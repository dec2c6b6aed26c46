#pragma once

#include <QByteArray>
#include <QString>
#include <optional>
#include <variant>

#include "measure/measuredata.h"
#include "params/registerimage.h"

namespace eqset {

// Parameter files (*.bin): one byte per register. Bank 0 (the unified set and
// the digital input's) at 0..257, the settings all inputs share at 258..299,
// analog input B's bank at 300..557, the auxiliary input's at 600..857.
// A save writes the active bank and the shared block over the bytes the file
// already has; a load reads them back into image cells 0..299.
namespace paramfile {

constexpr int kBankCells = 258;
constexpr int kSharedFirst = 258;
constexpr int kSharedEnd = 300;  // one past the shared block
constexpr int kLargestFile = 858;

// Where a bank lies in the file: 0, 300 or 600.
constexpr int bankEnd(int bankOffset) {
  return bankOffset + kBankCells;
}

// Why a file operation changed nothing.
struct Refusal {
  QString message;
};

// The file's new content: `existing` (empty for a new file) with the bank of
// `bankOffset` and the shared block taken from the image. Refused when a cell
// does not fit a byte.
std::variant<QByteArray, Refusal> save(const QByteArray& existing, const RegisterImage& image,
                                       int bankOffset);
// Reads the bank of `bankOffset` and the shared block into the image. Refused,
// with the image untouched, when the file ends before them.
std::optional<Refusal> load(const QByteArray& file, int bankOffset, RegisterImage& image);
// Copies one input's bank onto another's inside a file; the shared block stays.
// Refused when the file does not hold the source bank and the shared block
// whole (bank 0 is read with the shared block, offsets 0..299).
std::variant<QByteArray, Refusal> copyBank(const QByteArray& file, int fromBank, int toBank);

}  // namespace paramfile

// Curve files (*.draw): the stored curves of channels 0..5, each band as
// hundredths of a dB in two bytes, high first, then three zero bytes.
namespace curvefile {

constexpr int kValuesBytes = 372;
constexpr int kFileBytes = 375;

std::variant<QByteArray, paramfile::Refusal> save(const QByteArray& existing,
                                                  const CurveStore& curves);
// Loads areas 0..5 in whole dB; areas 6 and 7 stay as they are.
std::optional<paramfile::Refusal> load(const QByteArray& file, CurveStore& curves);

}  // namespace curvefile

}  // namespace eqset
