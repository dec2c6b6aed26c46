#include "params/numbers.h"

#include <gtest/gtest.h>

#include "link/connection.h"

namespace eqset {
namespace {

TEST(Numbers, RoundHalfEven) {
  const std::pair<double, long long> cases[] = {{0.5, 0},   {1.5, 2},    {2.5, 2},   {-0.5, 0},
                                                {-1.5, -2}, {2.4999, 2}, {-3.6, -4}, {12.5, 12}};
  for (const auto& [x, expected] : cases)
    EXPECT_EQ(roundHalfEven(x), expected) << x;
}

TEST(Numbers, LeadingNumberOfTypedText) {
  const std::pair<const char*, double> cases[] = {
      {"12", 12}, {"2.5", 2.5}, {"12.5abc", 12.5}, {" -8.5", -8.5}, {"+3", 3},     {"abc", 0},
      {"", 0},    {".5", 0.5},  {"7.", 7},         {"-", 0},        {"1e2x", 100}, {"--3", 0},
  };
  for (const auto& [text, expected] : cases)
    EXPECT_DOUBLE_EQ(leadingNumber(text), expected) << text;
}

TEST(PortNumber, TakesTheNumberRightAfterCom) {
  const std::pair<const char*, int> cases[] = {
      {"Com1", 1}, {"Com12", 12}, {"Com5 已经占用", 5}, {"com3", 3},   {"Com", 0},
      {"", 0},     {"COM 4", 0},  {"x Com4", 0},        {"Com16", 16},
  };
  for (const auto& [text, expected] : cases)
    EXPECT_EQ(portNumberOf(QString::fromUtf8(text)), expected) << text;
}

}  // namespace
}  // namespace eqset
