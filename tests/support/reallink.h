#pragma once

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <memory>
#include <vector>

#include "fakeindicators.h"
#include "link/modbuslink.h"
#include "link/portmap.h"
#include "link/qtserialport.h"
#include "link/realclock.h"

namespace eqset::test {

// The program's own link, real port and real clock, in a fresh program folder
// whose ports/comN a test points at a peer on a pseudo-terminal.
class RealLinkTest : public ::testing::Test {
 protected:
  static constexpr int kSettleMs = 20'000;

  void openLink(int portNumber) {
    port_ = std::make_unique<QtSerialPort>(PortMap(program_.path()));
    link_ = std::make_unique<ModbusLink>(*port_, clock_, indicators_);
    link_->setPortNumberSource([portNumber] { return portNumber; });
    ASSERT_EQ(link_->openPort(kTxBufferStartup), LinkError::None);
  }

  void closeLink() {
    link_.reset();
    port_.reset();
  }

  void expectCounters(const char* good, const char* failed) {
    EXPECT_EQ(indicators_.good, QString::fromLatin1(good));
    EXPECT_EQ(indicators_.failed, QString::fromLatin1(failed));
  }

  // The first `count` registers of the last read reply.
  std::vector<int> registers(int count) const {
    std::vector<int> values;
    for (int i = 0; i < count; ++i)
      values.push_back(link_->replyRegister(i));
    return values;
  }

  QTemporaryDir program_;
  RealClock clock_;
  FakeIndicators indicators_;
  std::unique_ptr<QtSerialPort> port_;
  std::unique_ptr<ModbusLink> link_;
};

}  // namespace eqset::test
