#pragma once

#include <QString>

namespace eqset {

// The progress bar and the two communication counters the technician watches.
// The counters are texts: an increment parses what the box shows.
class LinkIndicators {
 public:
  virtual ~LinkIndicators() = default;
  virtual void setProgress(int percent) = 0;
  virtual QString goodCount() const = 0;
  virtual void setGoodCount(const QString& text) = 0;
  virtual QString failedCount() const = 0;
  virtual void setFailedCount(const QString& text) = 0;
};

}  // namespace eqset
