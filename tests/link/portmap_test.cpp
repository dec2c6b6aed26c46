#include "link/portmap.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace eqset {
namespace {

#ifdef Q_OS_WIN

TEST(PortMap, PortNIsComN) {
  EXPECT_EQ(PortMap::fixedDevice(1), "COM1");
  EXPECT_EQ(PortMap::fixedDevice(12), "COM12");
  EXPECT_EQ(PortMap::fixedDevice(16), "COM16");
}

#else

struct FixedRow {
  int port;
  const char* device;
};

// The table the README shows; a technician relies on Com5 being the first USB
// adapter.
constexpr FixedRow kFixed[] = {
    {1, "/dev/ttyS0"},   {2, "/dev/ttyS1"},    {3, "/dev/ttyS2"},    {4, "/dev/ttyS3"},
    {5, "/dev/ttyUSB0"}, {6, "/dev/ttyUSB1"},  {7, "/dev/ttyUSB2"},  {8, "/dev/ttyUSB3"},
    {9, "/dev/ttyACM0"}, {10, "/dev/ttyACM1"}, {11, "/dev/ttyACM2"}, {12, "/dev/ttyACM3"},
    {13, "/dev/ttyS4"},  {14, "/dev/ttyS5"},   {15, "/dev/ttyS6"},   {16, "/dev/ttyS7"},
};

TEST(PortMap, FixedTableReachesTheHostsSerialDevices) {
  const auto table = PortMap::fixedTable();
  ASSERT_EQ(table.size(), std::size(kFixed));
  for (std::size_t i = 0; i < table.size(); ++i) {
    SCOPED_TRACE(kFixed[i].port);
    EXPECT_EQ(table[i].port, kFixed[i].port);
    EXPECT_EQ(table[i].device, QString::fromLatin1(kFixed[i].device));
    EXPECT_EQ(PortMap::fixedDevice(kFixed[i].port), QString::fromLatin1(kFixed[i].device));
  }
}

TEST(PortMap, WithoutOverridesEveryPortIsItsTableDevice) {
  QTemporaryDir program;
  ASSERT_TRUE(program.isValid());
  const PortMap map(program.path());
  for (const FixedRow& row : kFixed) {
    EXPECT_EQ(map.device(row.port), QString::fromLatin1(row.device)) << row.port;
  }
}

#endif

TEST(PortMap, NumbersOutsideOneToSixteenNameNoDevice) {
  QTemporaryDir program;
  ASSERT_TRUE(program.isValid());
  // Even an entry on disk does not make port 17 exist.
  ASSERT_TRUE(QDir(program.path()).mkpath("ports"));
  QFile stray(program.filePath("ports/com17"));
  ASSERT_TRUE(stray.open(QIODevice::WriteOnly));
  stray.close();

  const PortMap map(program.path());
  for (int n : {-1, 0, 17, 100}) {
    EXPECT_TRUE(map.device(n).isEmpty()) << n;
    EXPECT_TRUE(PortMap::fixedDevice(n).isEmpty()) << n;
  }
}

#ifndef Q_OS_WIN

// A program folder with ports/ and a few devices to point at.
class PortOverride : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(program_.isValid());
    ASSERT_TRUE(QDir(program_.path()).mkpath("ports"));
    ASSERT_TRUE(QDir(program_.path()).mkpath("dev"));
  }
  QString path(const QString& relative) const { return program_.filePath(relative); }
  void makeFile(const QString& relative) {
    QFile file(path(relative));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  }
  void link(const QString& target, const QString& relative) {
    ASSERT_TRUE(QFile::link(target, path(relative))) << relative.toStdString();
  }

  QTemporaryDir program_;
};

TEST_F(PortOverride, LinkNamesThePortItsNumberSays) {
  makeFile("dev/adapter1");
  makeFile("dev/adapter12");
  link(path("dev/adapter1"), "ports/com1");
  link(path("dev/adapter12"), "ports/com12");

  const PortMap map(program_.path());
  EXPECT_EQ(map.device(12), QFileInfo(path("dev/adapter12")).canonicalFilePath());
  EXPECT_EQ(map.device(1), QFileInfo(path("dev/adapter1")).canonicalFilePath());
  // com12 is port 12, never port 1 or 2.
  EXPECT_EQ(map.device(2), PortMap::fixedDevice(2));
  EXPECT_EQ(map.device(3), PortMap::fixedDevice(3));
  EXPECT_EQ(map.overridePath(12), path("ports/com12"));
}

// An installed program's folder holds no links; the user's data folder does.
// The program folder's own link still comes first.
TEST_F(PortOverride, LinksInTheUsersFolderCountAfterTheProgramFolders) {
  QTemporaryDir user;
  ASSERT_TRUE(QDir(user.path()).mkpath("ports"));
  makeFile("dev/ttyUSER");
  makeFile("dev/ttyPROGRAM");
  ASSERT_TRUE(QFile::link(path("dev/ttyUSER"), user.filePath("ports/com7")));
  ASSERT_TRUE(QFile::link(path("dev/ttyUSER"), user.filePath("ports/com8")));
  link(path("dev/ttyPROGRAM"), "ports/com8");

  const PortMap map(QStringList{program_.path(), user.path()});
  EXPECT_EQ(map.device(7), QFileInfo(path("dev/ttyUSER")).canonicalFilePath());
  EXPECT_EQ(map.device(8), QFileInfo(path("dev/ttyPROGRAM")).canonicalFilePath());
  EXPECT_EQ(map.device(6), PortMap::fixedDevice(6));
  EXPECT_EQ(map.overridePath(7), user.filePath("ports/com7"));
}

TEST_F(PortOverride, RelativeLinkAndChainedLinkLeadToTheDevice) {
  makeFile("dev/ttyREAL");
  link("../dev/ttyREAL", "ports/com5");
  link(path("ports/com5"), "ports/com6");

  const PortMap map(program_.path());
  const QString device = QFileInfo(path("dev/ttyREAL")).canonicalFilePath();
  // Both names give the same device path, so both lock the same port.
  EXPECT_EQ(map.device(5), device);
  EXPECT_EQ(map.device(6), device);
}

TEST_F(PortOverride, PlainFileEntryIsUsedAsTheDevice) {
  makeFile("ports/com9");
  const PortMap map(program_.path());
  EXPECT_EQ(map.device(9), QFileInfo(path("ports/com9")).canonicalFilePath());
}

TEST_F(PortOverride, DanglingLinkStillOverridesTheTable) {
  link(path("dev/gone"), "ports/com4");
  const PortMap map(program_.path());
  // Not /dev/ttyS3: the technician pointed port 4 elsewhere, and a device that
  // has gone must fail to open rather than reach another box.
  EXPECT_EQ(map.device(4), path("ports/com4"));
  EXPECT_FALSE(QFileInfo::exists(map.device(4)));
}

#endif

}  // namespace
}  // namespace eqset
