#include "sim/processormodel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "sim/crc16.h"
#include "testframes.h"

namespace {

using simtest::Bytes;
using simtest::Curve;
using simtest::readCurve;
using simtest::readLevelDb;
using simtest::readRequest;
using simtest::replyRegister;
using simtest::writeMultiple;
using simtest::writeSingle;

using simtest::kReadingToleranceDb;

TEST(SimCrc, MatchesTheModbusCheckValues) {
  const std::string text = "123456789";
  EXPECT_EQ(sim::crc16Modbus(Bytes(text.begin(), text.end())), 0x4B37);
  EXPECT_EQ(readRequest(0, 16), (Bytes{1, 3, 0, 0, 0, 0x10, 0x44, 0x06}));
  EXPECT_EQ(writeSingle(250, 17), (Bytes{1, 6, 0, 0xFA, 0, 0x11, 0x69, 0xF7}));
}

TEST(ProcessorModel, StartValuesAsTheProcessorComesOutOfTheBox) {
  sim::ProcessorModel model;
  const struct {
    int address;
    int value;
  } cases[] = {{0, 15},  {185, 15}, {248, 55}, {255, 22}, {259, 1},  {261, 0},
               {262, 1}, {271, 1},  {282, 2},  {288, 0},  {548, 55}, {850, 22}};
  for (const auto& c : cases)
    EXPECT_EQ(model.readRegister(c.address, 0), c.value) << c.address;
}

TEST(ProcessorModel, AnswersTheThreeFunctions) {
  sim::ProcessorModel model;
  const Bytes echo = writeSingle(250, 17);
  EXPECT_EQ(model.handleFrame(echo, 0), echo);

  EXPECT_EQ(model.handleFrame(writeMultiple(272, {5, 6, 7}), 0),
            simtest::withCrc({1, 16, 0x01, 0x10, 0, 3}));

  const Bytes reply = model.handleFrame(readRequest(249, 3), 0);
  ASSERT_EQ(reply.size(), 11U);
  EXPECT_EQ((Bytes{reply[0], reply[1], reply[2]}), (Bytes{1, 3, 6}));
  EXPECT_TRUE(sim::crcMatches(reply));
  EXPECT_EQ(replyRegister(reply, 0), 0);
  EXPECT_EQ(replyRegister(reply, 1), 17);
  EXPECT_EQ(replyRegister(reply, 2), 22);
  EXPECT_EQ(model.sharedRegister(273), 6);

  // The largest read the tool makes: the whole curve block, 255 bytes.
  EXPECT_EQ(model.handleFrame(readRequest(904, 125), 0).size(), 255U);
}

TEST(ProcessorModel, PerInputAddressesFollowTheActiveBank) {
  const struct {
    int input, mode, address, bank;
  } cases[] = {
      {1, 0, 40, 0},   // unified
      {2, 0, 40, 0},   // unified: every input plays bank 0
      {4, 0, 40, 0},   //
      {1, 1, 40, 0},   // independent, digital
      {2, 1, 40, 1},   // independent, analog B
      {4, 1, 40, 2},   // independent, auxiliary
      {1, 0, 340, 1},  // a bank's own addresses never move
      {4, 1, 340, 1},  //
      {2, 1, 640, 2},  //
  };
  for (const auto& c : cases) {
    sim::ProcessorModel model;
    model.handleFrame(writeSingle(262, c.input), 0);
    model.handleFrame(writeSingle(288, c.mode), 0);
    model.handleFrame(writeSingle(c.address, 9), 0);
    const std::string label = "input " + std::to_string(c.input) + " mode " +
                              std::to_string(c.mode) + " address " + std::to_string(c.address);
    for (int bank = 0; bank < 3; ++bank) {
      EXPECT_EQ(model.bankCell(bank, 40), bank == c.bank ? 9 : 15) << label << " bank " << bank;
    }
    EXPECT_EQ(model.readRegister(40, 0), model.bankCell(model.activeBank(), 40)) << label;
  }

  // A function-16 write of a channel's equalizer lands in the active bank too.
  sim::ProcessorModel model;
  model.handleFrame(writeMultiple(262, {4}), 0);
  model.handleFrame(writeSingle(288, 1), 0);
  model.handleFrame(writeMultiple(31, {1, 2, 3}), 0);
  EXPECT_EQ(model.activeBank(), 2);
  EXPECT_EQ(model.bankCell(2, 33), 3);
  EXPECT_EQ(model.bankCell(0, 33), 15);
  // Shared settings stay shared whatever the bank.
  model.handleFrame(writeSingle(258, 1), 0);
  EXPECT_EQ(model.sharedRegister(258), 1);
  EXPECT_EQ(model.readRegister(558, 0), 0);
}

TEST(ProcessorModel, RefusesWhatItCannotDoWithExceptionReplies) {
  const struct {
    Bytes request;
    std::uint8_t function, code;
  } cases[] = {
      {simtest::withCrc({1, 4, 0, 0, 0, 1}), 0x84, 1},            // input registers: not kept
      {simtest::withCrc({1, 5, 0, 0, 0xFF, 0}), 0x85, 1},         // coils: none
      {simtest::withCrc({1, 0x2B, 0x0E, 1, 0}), 0xAB, 1},         // device identification
      {readRequest(0, 0), 0x83, 3},                               //
      {readRequest(0, 126), 0x83, 3},                             //
      {readRequest(1099, 2), 0x83, 2},                            //
      {readRequest(976, 125), 0x83, 2},                           //
      {readRequest(0xFFFF, 1), 0x83, 2},                          //
      {writeSingle(1100, 1), 0x86, 2},                            //
      {writeSingle(0xFFFF, 1), 0x86, 2},                          //
      {writeMultiple(1098, {1, 2, 3}), 0x90, 2},                  //
      {simtest::withCrc({1, 16, 0, 0, 0, 2, 2, 0, 1}), 0x90, 3},  // byte count too small
      {simtest::withCrc({1, 16, 0, 0, 0, 0, 0}), 0x90, 3},        // nothing to write
      {simtest::withCrc({1, 16, 0, 0, 0, 124, 248}), 0x90, 3},    // too many (data omitted)
  };
  for (const auto& c : cases) {
    sim::ProcessorModel model;
    const Bytes reply = model.handleFrame(c.request, 0);
    EXPECT_EQ(reply, simtest::withCrc({1, c.function, c.code}))
        << "function " << int(c.request[1]) << " frame length " << c.request.size();
  }
  // A refused write leaves the registers alone.
  sim::ProcessorModel model;
  model.handleFrame(writeMultiple(1098, {7, 7, 7}), 0);
  EXPECT_EQ(model.sharedRegister(1098), 0);
  // The edges of the register space are still served.
  EXPECT_EQ(model.handleFrame(readRequest(975, 125), 0).size(), 255U);
  EXPECT_EQ(model.handleFrame(writeSingle(1099, 3), 0), writeSingle(1099, 3));
  EXPECT_EQ(model.handleFrame(writeMultiple(1097, {4, 5, 6}), 0).size(), 8U);
}

TEST(ProcessorModel, StaysSilentForFramesThatAreNotForIt) {
  Bytes badCrc = writeSingle(250, 5);
  badCrc[7] ^= 0x01;
  Bytes damaged = writeSingle(250, 5);
  damaged[5] ^= 0x10;
  Bytes otherSlave = writeSingle(250, 5);
  otherSlave[0] = 2;
  Bytes broadcast = writeSingle(250, 5);
  broadcast[0] = 0;
  const Bytes whole = writeSingle(250, 5);
  const Bytes cases[] = {badCrc,
                         damaged,
                         simtest::withCrc(Bytes(otherSlave.begin(), otherSlave.end() - 2)),
                         simtest::withCrc(Bytes(broadcast.begin(), broadcast.end() - 2)),
                         Bytes{},
                         Bytes{1},
                         simtest::withCrc({1}),
                         Bytes(whole.begin(), whole.end() - 1)};
  for (const auto& frame : cases) {
    sim::ProcessorModel model;
    EXPECT_TRUE(model.handleFrame(frame, 0).empty()) << "frame length " << frame.size();
    EXPECT_EQ(model.bankCell(0, 250), 22) << "a frame not answered must not act either";
  }
}

TEST(ProcessorModel, HeardLevelsFollowTheSettings) {
  // Channel 0 around 1 kHz is far above the ambient noise, so the settings add
  // up in dB: equalizer (a quarter of a gain reaching each neighbouring band), channel
  // level and master volume.
  const struct {
    const char* what;
    std::vector<std::pair<int, int>> writes;
    int channel, band;
    double changeDb;
  } cases[] = {
      {"equalizer band", {{17, 20}}, 0, 17, 5.0},
      {"equalizer neighbour below", {{17, 20}}, 0, 16, 1.25},
      {"equalizer neighbour above", {{17, 25}}, 0, 18, 2.5},
      {"equalizer two bands away", {{17, 20}}, 0, 19, 0.0},
      {"other channel's equalizer", {{31 + 17, 30}}, 0, 17, 0.0},
      {"channel level", {{250, 25}}, 0, 20, 3.0},
      {"other channel's level", {{251, 10}}, 0, 20, 0.0},
      {"master volume", {{248, 45}}, 2, 12, -10.0},
      {"bank 1 while bank 0 plays", {{300 + 17, 30}}, 0, 17, 0.0},
      {"bank 1 once it plays", {{300 + 17, 30}, {262, 2}, {288, 1}}, 0, 17, 15.0},
      {"equalizer beyond +15 counts as +15", {{17, 99}}, 0, 17, 15.0},
  };
  for (const auto& c : cases) {
    sim::ProcessorModel model;
    const double before = model.heardBandDb(c.channel, c.band);
    for (const auto& [address, value] : c.writes) {
      model.writeRegister(address, static_cast<std::uint16_t>(value), 0);
    }
    EXPECT_NEAR(model.heardBandDb(c.channel, c.band) - before, c.changeDb, 0.01) << c.what;
  }

  sim::ProcessorModel model;
  model.writeRegister(258, 1, 0);
  for (int b = 0; b < 31; ++b)
    EXPECT_LT(model.heardBandDb(1, b), 30.0) << "muted, band " << b;
}

TEST(ProcessorModel, LevelBlockReportsWhatTheMicrophoneHears) {
  sim::ProcessorModel model({.seed = 5});
  model.handleFrame(writeSingle(260, 1), 0);

  model.handleFrame(writeSingle(903, 12), 0);  // single tone, 315 Hz
  EXPECT_NEAR(readLevelDb(model, 100), model.heardBandDb(1, 12), kReadingToleranceDb);

  model.handleFrame(writeSingle(900, 1), 0);  // pink noise: all bands together
  double energy = 0;
  for (int b = 0; b < 31; ++b)
    energy += std::pow(10.0, model.heardBandDb(1, b) / 10.0);
  const double pinkDb = 10.0 * std::log10(energy);
  EXPECT_NEAR(readLevelDb(model, 200), pinkDb, kReadingToleranceDb);

  model.handleFrame(writeSingle(260, 3), 0);  // the generator follows the test channel
  double subwooferEnergy = 0;
  for (int b = 0; b < 31; ++b)
    subwooferEnergy += std::pow(10.0, model.heardBandDb(3, b) / 10.0);
  EXPECT_NEAR(readLevelDb(model, 300), 10.0 * std::log10(subwooferEnergy), kReadingToleranceDb);

  model.handleFrame(writeSingle(902, 1), 0);  // stopped: only the auditorium's noise
  const double quietDb = readLevelDb(model, 400);
  EXPECT_GT(quietDb, 30.5);
  EXPECT_LT(quietDb, 50.0);

  model.handleFrame(writeSingle(261, 1), 0);  // the pink-noise switch
  model.handleFrame(writeSingle(259, 0), 0);
  EXPECT_GT(readLevelDb(model, 500), quietDb + 30.0);
  model.handleFrame(writeSingle(261, 0), 0);
  EXPECT_NEAR(readLevelDb(model, 600), quietDb, 1.0);

  // Commands never show up in what is read back.
  model.handleFrame(writeSingle(905, 4), 0);
  model.handleFrame(writeSingle(904, 1), 0);
  EXPECT_EQ(model.sharedRegister(905), 4);
  EXPECT_EQ(model.readRegister(905, 700), 0);
  EXPECT_EQ(model.readRegister(904, 700), 0);
}

TEST(ProcessorModel, SweepFinishesAfterItsDurationWithTheMeasuredCurve) {
  sim::ProcessorModel model({.seed = 3, .sweepMs = 1000});
  model.handleFrame(writeSingle(905, 4), 10);
  model.handleFrame(writeSingle(901, 1), 10);
  EXPECT_EQ(readCurve(model, 10).status, 0);
  EXPECT_EQ(readCurve(model, 1009).status, 0);
  const Curve curve = readCurve(model, 1010);
  EXPECT_EQ(curve.status, 1);
  double largestScatter = 0;
  for (int b = 0; b < 31; ++b) {
    const double error = curve.db[b] - model.heardBandDb(4, b);
    EXPECT_NEAR(error, 0.0, kReadingToleranceDb) << "band " << b;
    largestScatter = std::max(largestScatter, std::abs(error));
  }
  EXPECT_GT(largestScatter, 0.02) << "a measurement always scatters a little";

  // A new sweep starts from status 0 again; the equalizer shows in its curve.
  model.handleFrame(writeSingle(4 * 31 + 20, 25), 2000);
  model.handleFrame(writeSingle(901, 1), 2000);
  EXPECT_EQ(model.readRegister(1028, 2000), 0);
  model.advanceTo(3000);
  EXPECT_EQ(model.sweepStatus(), 1);
  EXPECT_NEAR(readCurve(model, 3000).db[20] - curve.db[20], 10.0, 2 * kReadingToleranceDb);
}

TEST(ProcessorModel, StopEndsASweepWithoutAResult) {
  for (const int stopper : {902, 903, 904, 900}) {
    sim::ProcessorModel model({.sweepMs = 1000});
    model.handleFrame(writeSingle(901, 1), 0);
    model.handleFrame(writeSingle(stopper, stopper == 903 ? 5 : 1), 500);
    model.advanceTo(5000);
    EXPECT_FALSE(model.sweepRunning()) << stopper;
    EXPECT_EQ(readCurve(model, 5000).status, 0) << stopper;
  }
}

TEST(ProcessorModel, SameSeedSameRoomAndSameReadings) {
  const auto session = [](std::uint32_t seed) {
    sim::ProcessorModel model({.seed = seed, .sweepMs = 100});
    std::vector<Bytes> replies;
    model.handleFrame(writeSingle(900, 1), 0);
    for (int t = 0; t < 1000; t += 250)
      replies.push_back(model.handleFrame(readRequest(900, 4), t));
    model.handleFrame(writeSingle(901, 1), 1000);
    replies.push_back(model.handleFrame(readRequest(904, 125), 1100));
    return replies;
  };
  EXPECT_EQ(session(11), session(11));
  EXPECT_NE(session(11), session(12));

  const sim::ProcessorModel a({.seed = 11}), b({.seed = 12});
  double largestDifference = 0;
  for (int c = 0; c < 6; ++c) {
    for (int band = 0; band < 31; ++band) {
      largestDifference =
          std::max(largestDifference, std::abs(a.roomBandDb(c, band) - b.roomBandDb(c, band)));
    }
  }
  EXPECT_GT(largestDifference, 1.0);
}

}  // namespace
