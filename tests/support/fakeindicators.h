#pragma once

#include <QString>
#include <vector>

#include "link/indicators.h"
#include "qtprinters.h"

namespace eqset::test {

class FakeIndicators : public LinkIndicators {
 public:
  void setProgress(int percent) override {
    progress = percent;
    progressHistory.push_back(percent);
  }
  QString goodCount() const override { return good; }
  void setGoodCount(const QString& text) override { good = text; }
  QString failedCount() const override { return failed; }
  void setFailedCount(const QString& text) override { failed = text; }

  int progress = 0;
  std::vector<int> progressHistory;
  QString good = "0";
  QString failed = "0";
};

}  // namespace eqset::test
