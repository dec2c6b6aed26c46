// Why a port would not open, from the system's error to the line the
// technician reads under "请检查主串口设置！", in the words of the system the
// program runs on.
#include <gtest/gtest.h>

#include "link/connection.h"
#include "link/win32serialport.h"

#ifdef Q_OS_WIN
#include "fakeindicators.h"
#include "link/modbuslink.h"
#include "link/realclock.h"
#endif

namespace eqset {
namespace {

using Reason = OpenFailure::Reason;

TEST(PortReasons, WindowsErrorsMeanHeldOrMissingPorts) {
  struct Row {
    std::uint32_t error;
    Reason reason;
    const char* words;  // a part of the technician's line
  };
  const Row rows[] = {
      // Another program has the port: Windows denies access.
      {5, Reason::Busy, "COM7 正被其他程序占用"},
      {32, Reason::Busy, "COM7 正被其他程序占用"},
      // Nothing under that number: adapter unplugged or its driver missing.
      {2, Reason::NoDevice, "驱动程序"},
      {3, Reason::NoDevice, "USB转串口适配器可能没有插好"},
      {55, Reason::NoDevice, "设备管理器"},
      {1167, Reason::NoDevice, "系统中没有 COM7"},
      // Anything else is told in the system's own words.
      {31, Reason::Other, "系统报告：连到系统上的设备没有发挥作用。"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.error);
    const OpenFailure failure = win32OpenFailure(row.error, QStringLiteral("COM7"),
                                                 QStringLiteral("连到系统上的设备没有发挥作用。"));
    EXPECT_EQ(failure.reason, row.reason);
    EXPECT_EQ(failure.device, QStringLiteral("COM7"));
    const QString text = openFailureText(failure, PortHost::Windows);
    EXPECT_TRUE(text.contains(QString::fromUtf8(row.words))) << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("dialout"))) << text.toStdString();
  }
}

#ifdef Q_OS_WIN
// Through the program's own port and link, on a Windows system with no COM15.
TEST(PortReasons, AMissingComPortIsToldInWindowsTerms) {
  Win32SerialPort port;
  EXPECT_EQ(port.open(15, kTxBufferStartup), LinkError::InvalidPort);
  EXPECT_FALSE(port.isOpen());
  EXPECT_EQ(port.lastOpenFailure().reason, Reason::NoDevice);
  EXPECT_EQ(port.lastOpenFailure().device, QStringLiteral("COM15"));

  RealClock clock;
  test::FakeIndicators indicators;
  ModbusLink link(port, clock, indicators);
  link.setPortNumberSource([] { return 15; });
  EXPECT_EQ(link.openPort(kTxBufferStartup), LinkError::InvalidPort);
  const QString text = openFailureText(link.openFailure());
  EXPECT_TRUE(text.startsWith(QStringLiteral("系统中没有 COM15"))) << text.toStdString();
  EXPECT_FALSE(text.contains(QStringLiteral("dialout")));
}
#endif

}  // namespace
}  // namespace eqset
