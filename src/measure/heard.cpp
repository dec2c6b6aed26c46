#include "measure/heard.h"

#include "measure/compensation.h"

namespace eqset {

const char* const kMutedRefusal = "全部静音已勾选，无法自动均衡。请先取消全部静音。";
const char* const kNotHeardAdvice = "测得的声压过低，请检查静音、功放和测试话筒后重试。";

bool testSignalHeard(const CurveRow& measured, bool subwoofer) {
  // Written so that a curve of nonsense (not a number) counts as not heard.
  return averageLevel(measured, subwoofer) >= kQuietestHeardDb;
}

}  // namespace eqset
