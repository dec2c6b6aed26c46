#pragma once

#include <QString>

namespace eqset {

// State texts the window shows in its read-only boxes; the full write reads
// the processor's settings back from them.
namespace statetext {
inline const QString kPolarityNormal = QStringLiteral("正相");
inline const QString kPolarityInverted = QStringLiteral("反相");
inline const QString kAuxAllowed = QStringLiteral("允许");
inline const QString kAuxForbidden = QStringLiteral("禁止");
}  // namespace statetext

}  // namespace eqset
