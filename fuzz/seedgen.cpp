// Writes the seed corpora of the fuzz targets: files, frames and stores made
// by the program's own code, and replies from the simulated processor.
//
//   fuzz_seedgen DIR   # fills DIR/paramfile, DIR/curvefile, DIR/reply,
//                      # DIR/levelconversion, DIR/settingsstore

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <span>
#include <vector>

#include "app/settingsstore.h"
#include "files/fileformats.h"
#include "replycase.h"
#include "sim/processormodel.h"

using namespace eqset;
using eqset::fuzz::ReplyCase;

namespace {

[[noreturn]] void fail(const QString& what) {
  std::fprintf(stderr, "seedgen: %s\n", qPrintable(what));
  std::exit(1);
}

void put(const QString& dir, const QString& name, const QByteArray& bytes) {
  if (!QDir().mkpath(dir)) fail("cannot make " + dir);
  QFile file(QDir(dir).filePath(name));
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
    fail("cannot write " + file.fileName());
}

template <typename T>
T take(std::variant<T, paramfile::Refusal> result) {
  if (auto* refusal = std::get_if<paramfile::Refusal>(&result)) fail(refusal->message);
  return std::get<T>(std::move(result));
}

// As the processor comes out of the box: equalizer flat (15), volume 55,
// levels 22, limiter 2, auxiliary 5.1 allowed, pink noise off.
RegisterImage boxImage(int eqTilt) {
  RegisterImage image;
  for (int k = 0; k < 186; ++k)
    image.set(k, static_cast<std::int16_t>(std::clamp(15 + (k % 31 - 15) * eqTilt / 15, 0, 30)));
  image.set(248, 55);
  for (int k = 250; k < 256; ++k)
    image.set(k, 22);
  for (int k = 280; k <= 282; ++k)
    image.set(k, 2);
  image.set(271, 1);
  image.set(259, 1);
  return image;
}

void parameterFiles(const QString& dir) {
  const QByteArray unified = take(paramfile::save({}, boxImage(0), 0));
  put(dir, "unified.bin", unified);
  const QByteArray analogB = take(paramfile::save(unified, boxImage(3), 300));
  put(dir, "analog-b.bin", analogB);
  put(dir, "all-banks.bin", take(paramfile::save(analogB, boxImage(-5), 600)));
  put(dir, "auxiliary-only.bin", take(paramfile::save({}, boxImage(15), 600)));
}

CurveStore roomCurves(double base, double swing) {
  CurveStore curves;
  for (int c = 0; c < kChannels; ++c) {
    for (int b = 0; b < kBands; ++b)
      curves.areas[static_cast<std::size_t>(c)][static_cast<std::size_t>(bandSlot(b))] =
          static_cast<float>(std::round((base + swing * std::sin(b * 0.4 + c)) * 100) / 100);
  }
  return curves;
}

void curveFiles(const QString& dir) {
  put(dir, "room.draw", take(curvefile::save({}, roomCurves(72.5, 6))));
  put(dir, "silent.draw", take(curvefile::save({}, CurveStore{})));
  put(dir, "loud.draw", take(curvefile::save({}, roomCurves(300, 27.6))));
  put(dir, "longer.draw", take(curvefile::save(QByteArray(420, '\x5A'), roomCurves(65, 3))));
}

QByteArray simulatorReply(sim::ProcessorModel& model, const QByteArray& request, std::int64_t now) {
  const auto* begin = reinterpret_cast<const std::uint8_t*>(request.constData());
  const auto reply =
      model.handleFrame(std::span(begin, static_cast<std::size_t>(request.size())), now);
  return QByteArray(reinterpret_cast<const char*>(reply.data()),
                    static_cast<qsizetype>(reply.size()));
}

void replies(const QString& dir) {
  sim::ProcessorModel model;
  std::int64_t now = 0;
  struct Seed {
    const char* name;
    ReplyCase c;
    int flipByte = -1;      // a byte the line garbled, or none
    int answersValue = -1;  // a write answered as if this value had been written, or none
  };
  using K = ReplyCase::Kind;
  const Seed seeds[] = {
      {"read-16", {K::Read, 0, 16, 0, 0, 0, false, false, {}}},
      {"read-curve", {K::Read, 904, 31, 0, 0, 0, false, false, {}}},
      {"read-level", {K::Read, 900, 3, 0, 0, 0, false, false, {}}},
      {"read-beyond-end", {K::Read, 1095, 10, 0, 0, 0, false, false, {}}},
      {"write-band", {K::WriteSingle, 17, 0, 12, 0, 0, false, false, {}}},
      {"write-negative", {K::WriteSingle, 260, 0, -1, 0, 0, false, false, {}}},
      {"write-block", {K::WriteMultiple, 0, 31, 0, 0, 14, false, false, {}}},
      {"read-short-claim", {K::Read, 250, 6, 0, 2, 0, false, false, {}}},
      // Garbled with a CRC that fits again (sealed): only the echo tells.
      {"read-garbled-count", {K::Read, 0, 4, 0, 0, 0, true, false, {}}, 2},
      {"write-garbled-address", {K::WriteSingle, 262, 0, 2, 0, 0, true, false, {}}, 3},
      // The processor keeps another value than the one written: its answer.
      {"write-kept-value", {K::WriteSingle, 248, 0, 70, 0, 0, false, false, {}}, -1, 60},
      // The echo of an earlier write of the band that got no answer: late.
      {"write-late-echo", {K::WriteSingle, 33, 0, 20, 0, 0, false, true, {}}, -1, 19},
  };
  for (const auto& seed : seeds) {
    ReplyCase c = seed.c;
    const auto request = c.request();
    if (!request) fail(QString("no request for ") + seed.name);
    const auto answered =
        seed.answersValue < 0 ? request : writeSingleRequest(c.start, seed.answersValue);
    if (!answered) fail(QString("no answered request for ") + seed.name);
    c.reply = simulatorReply(model, *answered, now += 300);
    if (c.reply.isEmpty()) fail(QString("the simulator did not answer ") + seed.name);
    if (seed.flipByte >= 0)
      c.reply[seed.flipByte] = static_cast<char>(c.reply[seed.flipByte] ^ 0x01);
    put(dir, seed.name, c.encode());
  }
}

// One input of the level target: the raw word (little-endian), the
// microphone zero and a second number, each as the double lies in memory.
QByteArray levelInput(std::uint32_t raw, double micZero, double other) {
  QByteArray bytes;
  for (int k = 0; k < 4; ++k)
    bytes.append(static_cast<char>(raw >> (8 * k) & 0xFF));
  bytes.append(reinterpret_cast<const char*>(&micZero), sizeof micZero);
  bytes.append(reinterpret_cast<const char*>(&other), sizeof other);
  return bytes;
}

void levels(const QString& dir) {
  // Running levels as 65536 H + 256 M + L of the full registers 901..903.
  const auto running = [](std::uint32_t h, std::uint32_t m, std::uint32_t l) {
    return 65536 * h + 256 * m + l;
  };
  constexpr double kInf = std::numeric_limits<double>::infinity();
  put(dir, "reference", levelInput(314573, 0, 0.75));
  put(dir, "silence", levelInput(0, 94, 88));
  put(dir, "curve-full-scale", levelInput(16777215, 2, 122.5));
  put(dir, "running-0x6667", levelInput(running(0x6667, 0, 0), 0, 162.7));
  put(dir, "running-0x7000", levelInput(running(0x7000, 0x12, 0x34), -3.5, -0.04));
  put(dir, "running-largest", levelInput(running(0x7FFF, 0x7FFF, 0x7FFF), 0, 1e300));
  put(dir, "zero-infinite", levelInput(314573, kInf, -kInf));
  put(dir, "zero-nan",
      levelInput(running(0x7000, 0, 0), std::numeric_limits<double>::quiet_NaN(),
                 std::numeric_limits<double>::max()));
}

void exec(QSqlDatabase& db, const QString& sql) {
  QSqlQuery q(db);
  if (!q.exec(sql)) fail(sql);
}

// A store made by other SQL than the program's, with small pages.
void handMadeStore(const QString& path, const QStringList& statements) {
  QFile::remove(path);
  {
    QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "seed");
    db.setDatabaseName(path);
    if (!db.open()) fail("cannot open " + path);
    exec(db, "PRAGMA page_size = 512");
    for (const auto& s : statements)
      exec(db, s);
    db.close();
  }
  QSqlDatabase::removeDatabase("seed");
}

QByteArray contentOf(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) fail("cannot read " + path);
  return file.readAll();
}

void stores(const QString& dir) {
  QTemporaryDir work;
  const QString path = work.filePath(SettingsStore::kFileName);
  SettingsRecord record;
  record.U_Main_Com = "Com7";
  record.CmbCopy = {"右", "左", "左", "无", "右环", "左环"};
  record.EqMode = "ISO2969";
  record.TypeSig = "粉噪源测试";
  record.MicZero = "94";
  QString error;
  if (!SettingsStore(path).save(record, &error)) fail(error);
  put(dir, "saved.mdb", contentOf(path));
  // Saved again with other choices: the row is updated in place.
  record.U_Main_Com = "Com12";
  record.EqMode = "自定义";
  record.MicZero = "";
  if (!SettingsStore(path).save(record, &error)) fail(error);
  put(dir, "saved-twice.mdb", contentOf(path));

  const QString columns =
      "U_Main_Com TEXT, CmbCopy0 TEXT, CmbCopy1 TEXT, CmbCopy2 TEXT, CmbCopy3 TEXT, "
      "CmbCopy4 TEXT, CmbCopy5 TEXT, EqMode TEXT, TypeSig TEXT, MicZero TEXT";
  handMadeStore(path, {"CREATE TABLE TabUser (" + columns + ")"});
  put(dir, "empty-table.mdb", contentOf(path));
  handMadeStore(path, {"CREATE TABLE TabUser (U_Main_Com TEXT, EqMode TEXT)",
                       "INSERT INTO TabUser VALUES ('Com3', '平直')"});
  put(dir, "missing-columns.mdb", contentOf(path));
  handMadeStore(path,
                {"CREATE TABLE TabUser (Id INTEGER, " + columns + ", Extra BLOB)",
                 "INSERT INTO TabUser VALUES (1, 'Com1', '中置', '中置', '右', '无', '右', '左', "
                 "'平直', '正弦波测试', 90, x'00ff')",
                 "INSERT INTO TabUser (U_Main_Com) VALUES ('Com2')"});
  put(dir, "extra-columns.mdb", contentOf(path));
  handMadeStore(path, {"CREATE TABLE Other (x TEXT)"});
  put(dir, "no-table.mdb", contentOf(path));
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (argc != 2) fail("usage: fuzz_seedgen DIR");
  const QDir out(QString::fromLocal8Bit(argv[1]));
  parameterFiles(out.filePath("paramfile"));
  curveFiles(out.filePath("curvefile"));
  replies(out.filePath("reply"));
  levels(out.filePath("levelconversion"));
  stores(out.filePath("settingsstore"));
  return 0;
}
