#include <gtest/gtest.h>

#include <QFile>
#include <QSaveFile>
#include <QTemporaryDir>

#include "files/fileformats.h"
#include "files/filestore.h"
#include "qtprinters.h"

namespace eqset {
namespace {

// An image whose cell k holds k % 251 (every byte different nearby).
RegisterImage patternImage() {
  RegisterImage image;
  for (int k = 0; k < 300; ++k)
    image.set(k, static_cast<std::int16_t>(k % 251));
  return image;
}

QByteArray filled(int size, char byte) {
  return QByteArray(size, byte);
}

// The offsets at which two files differ.
std::vector<int> changed(const QByteArray& a, const QByteArray& b) {
  std::vector<int> out;
  for (int k = 0; k < std::max(a.size(), b.size()); ++k) {
    if (k >= a.size() || k >= b.size() || a[k] != b[k]) out.push_back(k);
  }
  return out;
}

TEST(ParameterFile, SaveWritesTheActiveBankAndTheSharedBlockOnly) {
  const RegisterImage image = patternImage();
  // Analog B into a new file: 558 bytes, zeros before the shared block.
  const auto b = std::get<QByteArray>(paramfile::save({}, image, 300));
  ASSERT_EQ(b.size(), 558);
  for (int k = 0; k < 258; ++k)
    ASSERT_EQ(b[k], 0) << k;
  for (int k = 258; k < 300; ++k)
    ASSERT_EQ(static_cast<std::uint8_t>(b[k]), k % 251) << k;
  for (int k = 0; k < 258; ++k)
    ASSERT_EQ(static_cast<std::uint8_t>(b[300 + k]), k % 251) << k;

  // Auxiliary into an existing full file: only the shared block and its bank.
  const QByteArray full = filled(858, '\x07');
  const auto aux = std::get<QByteArray>(paramfile::save(full, image, 600));
  ASSERT_EQ(aux.size(), 858);
  for (int k : changed(full, aux))
    EXPECT_TRUE((k >= 258 && k < 300) || (k >= 600 && k < 858)) << k;
  EXPECT_EQ(static_cast<std::uint8_t>(aux[600 + 100]), 100);

  // Bank 0 (unified, or the digital input): offsets 0..299 and nothing else.
  const auto unified = std::get<QByteArray>(paramfile::save(full, image, 0));
  for (int k : changed(full, unified))
    EXPECT_LT(k, 300);
  EXPECT_EQ(unified.size(), 858);
  // The same image saved twice gives the same bytes.
  EXPECT_EQ(std::get<QByteArray>(paramfile::save(unified, image, 0)), unified);
}

TEST(ParameterFile, AValueThatIsNoByteIsNamedAndNothingIsBuilt) {
  for (int bad : {-1, 256, 300}) {
    RegisterImage image = patternImage();
    image.set(262, static_cast<std::int16_t>(bad));
    const auto result = paramfile::save(filled(858, 1), image, 0);
    ASSERT_TRUE(std::holds_alternative<paramfile::Refusal>(result)) << bad;
    EXPECT_TRUE(std::get<paramfile::Refusal>(result).message.contains("262")) << bad;
  }
}

TEST(ParameterFile, LoadTakesTheBankOfTheInputAndRefusesAShortFile) {
  QByteArray file = filled(858, 0);
  for (int k = 0; k < 858; ++k)
    file[k] = static_cast<char>(k % 200);
  RegisterImage image;
  ASSERT_FALSE(paramfile::load(file, 600, image));
  EXPECT_EQ(image.at(0), 600 % 200);
  EXPECT_EQ(image.at(257), 857 % 200);
  EXPECT_EQ(image.at(258), 258 % 200);
  EXPECT_EQ(image.at(299), 299 % 200);

  // Bytes are unsigned: 0xF0 is 240.
  file[5] = static_cast<char>(0xF0);
  ASSERT_FALSE(paramfile::load(file, 0, image));
  EXPECT_EQ(image.at(5), 240);

  // The auxiliary bank from a file saved with one bank only.
  const RegisterImage before = image;
  const auto refusal = paramfile::load(file.left(558), 600, image);
  ASSERT_TRUE(refusal);
  EXPECT_TRUE(refusal->message.contains("558"));
  for (int k = 0; k < 300; ++k)
    ASSERT_EQ(image.at(k), before.at(k));
  EXPECT_TRUE(paramfile::load(file.left(299), 0, image));
}

TEST(ParameterFile, GroupCopyCopiesOneBankOntoAnother) {
  QByteArray file(858, 0);
  for (int k = 0; k < 858; ++k)
    file[k] = static_cast<char>(k % 253);
  const struct {
    int from;
    int to;
  } cases[] = {{300, 600}, {600, 0}, {0, 300}};
  for (const auto& c : cases) {
    const auto copy = std::get<QByteArray>(paramfile::copyBank(file, c.from, c.to));
    ASSERT_EQ(copy.size(), 858);
    EXPECT_EQ(copy.mid(c.to, 258), file.mid(c.from, 258)) << c.from << " -> " << c.to;
    for (int k : changed(file, copy))
      EXPECT_TRUE(k >= c.to && k < c.to + 258) << k;
  }
  // A bank file of 558 bytes holds no auxiliary bank to copy from; copying
  // onto the auxiliary bank extends it.
  EXPECT_TRUE(
      std::holds_alternative<paramfile::Refusal>(paramfile::copyBank(file.left(558), 600, 0)));
  EXPECT_EQ(std::get<QByteArray>(paramfile::copyBank(file.left(558), 300, 600)).size(), 858);
}

TEST(CurveFile, HundredthsOfADecibelHighByteFirst) {
  CurveStore curves;
  curves.areas[0][1] = 75.5f;
  curves.areas[5][31] = 62.5f;
  curves.areas[6][3] = 44;  // never saved
  const auto bytes = std::get<QByteArray>(curvefile::save({}, curves));
  ASSERT_EQ(bytes.size(), 375);
  EXPECT_EQ(bytes.mid(0, 2), QByteArray::fromHex("1D7E"));
  EXPECT_EQ(bytes.mid(62 * 5 + 60, 2), QByteArray::fromHex("186A"));
  EXPECT_EQ(bytes.mid(372), QByteArray(3, '\0'));

  CurveStore loaded;
  loaded.areas[7][2] = 51;
  ASSERT_FALSE(curvefile::load(bytes, loaded));
  EXPECT_EQ(loaded.areas[0][1], 76);   // 75.5 dB comes back in whole dB
  EXPECT_EQ(loaded.areas[5][31], 62);  // halves to even
  EXPECT_EQ(loaded.areas[6][3], 0);
  EXPECT_EQ(loaded.areas[7][2], 51);  // areas 6 and 7 are not in the file

  EXPECT_EQ(std::get<QByteArray>(curvefile::save({}, CurveStore{})), QByteArray(375, '\0'));
  // A longer file keeps what lies beyond the curves.
  const auto longer = std::get<QByteArray>(curvefile::save(QByteArray(400, 'x'), curves));
  EXPECT_EQ(longer.mid(375), QByteArray(25, 'x'));
  EXPECT_EQ(longer.mid(372, 3), QByteArray(3, '\0'));
}

TEST(CurveFile, TheHighByteRuleLimitsAndShortFiles) {
  QByteArray bytes(375, '\0');
  bytes[2] = static_cast<char>(0x61);  // channel 0 slot 2: 97 is no high byte of a level
  bytes[3] = static_cast<char>(0xC8);
  bytes[4] = static_cast<char>(0x60);  // 96 still is
  bytes[5] = static_cast<char>(0x00);
  CurveStore curves;
  ASSERT_FALSE(curvefile::load(bytes, curves));
  EXPECT_EQ(curves.areas[0][2], 2);    // 200 / 100
  EXPECT_EQ(curves.areas[0][3], 246);  // 24576 / 100 rounded

  const CurveStore before = curves;
  EXPECT_TRUE(curvefile::load(bytes.left(371), curves));
  EXPECT_EQ(curves.areas, before.areas);

  for (float bad : {-0.01f, 327.68f, NAN}) {
    CurveStore c;
    c.areas[2][10] = bad;
    const auto result = curvefile::save(QByteArray(375, 'k'), c);
    ASSERT_TRUE(std::holds_alternative<paramfile::Refusal>(result)) << bad;
    EXPECT_TRUE(std::get<paramfile::Refusal>(result).message.contains("160Hz")) << bad;
  }
}

TEST(FileStore, AWriteThatFailsHalfWayLeavesTheOldFileAsItWas) {
  QTemporaryDir dir;
  const QString path = dir.filePath("room.bin");
  const QByteArray old(858, '\x11');
  ASSERT_TRUE(FileStore().write(path, old, nullptr));

  const FileStore failing([](QSaveFile& file, const QByteArray& bytes) {
    file.write(bytes.left(bytes.size() / 2));
    return false;  // the stick was pulled
  });
  QString error;
  EXPECT_FALSE(failing.write(path, QByteArray(858, '\x22'), &error));
  EXPECT_FALSE(error.isEmpty());
  EXPECT_EQ(FileStore().read(path, nullptr), old);
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"room.bin"});

  ASSERT_TRUE(FileStore().write(path, QByteArray(10, '\x33'), nullptr));
  EXPECT_EQ(FileStore().read(path, nullptr), QByteArray(10, '\x33'));
  EXPECT_EQ(FileStore().read(dir.filePath("new.bin"), nullptr), QByteArray());
}

// A read error half-way, a short read, a folder where the file should be, a
// file just over 64 KiB: none passes for the file, and the error says why.
TEST(FileStore, AFileThatCannotBeReadWholeOrIsTooLargeGivesNothing) {
  QTemporaryDir dir;
  const QString hall = dir.filePath("hall.bin");
  ASSERT_TRUE(FileStore().write(hall, QByteArray(858, '\x11'), nullptr));
  const QString large = dir.filePath("large.draw");
  ASSERT_TRUE(FileStore().write(large, QByteArray(FileStore::kMaxBytes + 1, 'x'), nullptr));
  QDir(dir.path()).mkdir("folder.bin");
  const FileStore::Reader failing = [](QFile& file, qint64, QByteArray& bytes) {
    bytes = file.read(100);
    return false;
  };
  const FileStore::Reader shortRead = [](QFile& file, qint64, QByteArray& bytes) {
    bytes = file.read(429);
    return true;
  };
  const struct {
    const char* name;
    FileStore store;
    QString path;
  } cases[] = {{"read error", FileStore(failing), hall},
               {"short read", FileStore(shortRead), hall},
               {"folder", FileStore(), dir.filePath("folder.bin")},
               {"over 64 KiB", FileStore(), large}};
  for (const auto& c : cases) {
    QString error;
    EXPECT_EQ(c.store.read(c.path, &error), std::nullopt) << c.name;
    EXPECT_FALSE(error.isEmpty()) << c.name;
  }
  const QString limit = dir.filePath("limit.draw");
  ASSERT_TRUE(FileStore().write(limit, QByteArray(FileStore::kMaxBytes, 'x'), nullptr));
  EXPECT_EQ(FileStore().read(limit, nullptr)->size(), FileStore::kMaxBytes);
}

}  // namespace
}  // namespace eqset
