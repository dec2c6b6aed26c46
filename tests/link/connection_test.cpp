#include "link/connection.h"

#include <gtest/gtest.h>

#include <QStringList>
#include <vector>

#include "fakeindicators.h"
#include "fakeserialport.h"
#include "scripteddialogs.h"
#include "virtualclock.h"

namespace eqset {
namespace {

using test::FakeSerialPort;
using PortState = FakeSerialPort::PortState;

const QString kHeld = QStringLiteral(" 已经占用");

// The port list and link-state caption of the communication area.
class ListView : public ConnectionView {
 public:
  void setPortListEnabled(bool enabled) override { listEnabled = enabled; }
  int portEntryCount() const override { return static_cast<int>(entries.size()); }
  QString portEntry(int index) const override { return entries.at(index); }
  void addPortEntry(const QString& text) override { entries.append(text); }
  void setLinkState(const QString& text) override { linkState = text; }
  QString shownLinkState() const override { return linkState; }

  bool listEnabled = false;
  QStringList entries;
  QString linkState;
};

class ConnectionTest : public ::testing::Test {
 protected:
  test::VirtualClock clock;
  FakeSerialPort port{clock, nullptr};
  test::FakeIndicators indicators;
  ModbusLink link{port, clock, indicators};
  ListView view;
  test::ScriptedDialogs dialogs;
  Connection connection{link, view, dialogs};
};

TEST_F(ConnectionTest, APortHeldAtOneScanAndFreeAtTheNextIsListedAsFree) {
  port.setPort(1, PortState::Free);
  port.setPort(5, PortState::Busy);
  connection.ScanNewPorts();
  EXPECT_EQ(view.entries, QStringList({"Com1", "Com5" + kHeld}));

  port.setPort(5, PortState::Free);
  connection.ScanNewPorts();
  EXPECT_EQ(view.entries, QStringList({"Com1", "Com5" + kHeld, "Com5"}));
  EXPECT_FALSE(port.isOpen());
}

TEST_F(ConnectionTest, ScanNewPortsSkipsOnlyAPortListedAsFree) {
  QStringList crowded;
  for (int i = 0; i < 17; ++i)
    crowded.append("Com9" + kHeld);
  struct Case {
    const char* name;
    QStringList listed;
    PortState state;  // of Com5, the only port there is
    QStringList added;
  };
  const Case cases[] = {
      {"listed free", {"Com1", "Com5"}, PortState::Free, {}},
      {"listed held", {"Com5" + kHeld}, PortState::Free, {"Com5"}},
      {"listed held, still held", {"Com5" + kHeld}, PortState::Busy, {"Com5" + kHeld}},
      {"only Com15 listed", {"Com15"}, PortState::Free, {"Com5"}},
      {"listed at index 16", crowded.mid(1) + QStringList{"Com5"}, PortState::Free, {}},
      {"listed past index 16", crowded + QStringList{"Com5"}, PortState::Free, {"Com5"}},
  };
  for (const auto& c : cases) {
    port.setPort(5, c.state);
    view.entries = c.listed;
    connection.ScanNewPorts();
    EXPECT_EQ(view.entries.mid(c.listed.size()), c.added) << c.name;
  }
}

}  // namespace
}  // namespace eqset
