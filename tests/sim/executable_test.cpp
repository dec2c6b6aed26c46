#include <signal.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <regex>
#include <thread>

#include "sim/processormodel.h"

#include "simprocess.h"
#include "testframes.h"

namespace {

using namespace std::chrono_literals;
using simtest::Bytes;
using simtest::LineClient;
using simtest::SimProcess;
using simtest::TempDir;
using Clock = std::chrono::steady_clock;

constexpr double kByteMs = 11.0 * 1000.0 / 9600.0;

TEST(SimExecutable, ServesTheProcessorOnItsLinkAndRemovesTheLinkOnSigterm) {
  TempDir dir;
  const std::string link = dir.path("processor");
  SimProcess sim({"--link", link, "--trace", dir.path("trace.log")});
  ASSERT_TRUE(sim.ready());
  EXPECT_EQ(std::filesystem::read_symlink(link), sim.ptyPath());
  {
    LineClient line(link);
    ASSERT_TRUE(line.isOpen());
    EXPECT_EQ(line.transact(simtest::writeSingle(250, 17), 8), simtest::writeSingle(250, 17));
    EXPECT_EQ(line.transact(simtest::writeMultiple(300, {3, 4}), 8),
              simtest::withCrc({1, 16, 0x01, 0x2C, 0, 2}));
    const Bytes reply = line.transact(simtest::readRequest(249, 3), 11);
    ASSERT_EQ(reply.size(), 11U);
    EXPECT_EQ(simtest::replyRegister(reply, 1), 17);
    EXPECT_EQ(line.transact(simtest::readRequest(1099, 2), 5), simtest::withCrc({1, 0x83, 2}));
  }
  // Like the program: close and reopen the port before a write, and the
  // processor is still there.
  {
    LineClient line(link);
    ASSERT_TRUE(line.isOpen());
    const Bytes reply = line.transact(simtest::readRequest(300, 2), 9);
    ASSERT_EQ(reply.size(), 9U);
    EXPECT_EQ(simtest::replyRegister(reply, 0), 3);
    EXPECT_EQ(simtest::replyRegister(reply, 1), 4);
  }

  std::ifstream trace(dir.path("trace.log"));
  std::vector<std::string> lines;
  for (std::string line; std::getline(trace, line);)
    lines.push_back(line);
  ASSERT_EQ(lines.size(), 10U);
  const std::regex shape(R"((\d+\.\d{3}) (in |out)( [0-9A-F]{2})+)");
  double previous = 0;
  for (const auto& line : lines) {
    std::smatch match;
    ASSERT_TRUE(std::regex_match(line, match, shape)) << line;
    EXPECT_GE(std::stod(match[1]), previous) << line;
    previous = std::stod(match[1]);
  }
  EXPECT_EQ(lines[0].substr(lines[0].find(' ')), " in  01 06 00 FA 00 11 69 F7");
  EXPECT_EQ(lines[1].substr(lines[1].find(' ')), " out 01 06 00 FA 00 11 69 F7");

  const int status = sim.stop(SIGTERM);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_FALSE(std::filesystem::is_symlink(std::filesystem::symlink_status(link)));
}

TEST(SimExecutable, LinksPortsComNInTheProgramFolderUntilInterrupted) {
  TempDir dir;
  SimProcess sim({"--com", "3", "--dir", dir.path()});
  ASSERT_TRUE(sim.ready());
  const std::string link = dir.path("ports/com3");
  EXPECT_EQ(std::filesystem::read_symlink(link), sim.ptyPath());
  const int status = sim.stop(SIGINT);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_FALSE(std::filesystem::is_symlink(std::filesystem::symlink_status(link)));
}

TEST(SimExecutable, RepliesAtTheLinesPace) {
  TempDir dir;
  SimProcess sim({"--link", dir.path("p")});
  ASSERT_TRUE(sim.ready());
  LineClient line(dir.path("p"));
  const auto sent = Clock::now();
  line.send(simtest::readRequest(904, 125));
  std::this_thread::sleep_for(20ms);
  EXPECT_LT(line.bytesWaiting(), 255) << "255 bytes take about 290 ms at 9600 baud";
  const Bytes reply = line.receive(255);
  const auto took = std::chrono::duration<double, std::milli>(Clock::now() - sent).count();
  ASSERT_EQ(reply.size(), 255U);
  EXPECT_GE(took, (8 + 255) * kByteMs);
}

TEST(SimExecutable, IgnoresABadFrameAndAnswersTheRetry) {
  TempDir dir;
  SimProcess sim({"--link", dir.path("p")});
  ASSERT_TRUE(sim.ready());
  LineClient line(dir.path("p"));
  Bytes bad = simtest::writeSingle(250, 5);
  bad[6] ^= 0x5A;
  line.send(bad);
  EXPECT_TRUE(line.receiveUntilQuiet(500ms).empty());
  EXPECT_EQ(line.transact(simtest::readRequest(250, 1), 7), simtest::withCrc({1, 3, 2, 0, 22}));
}

TEST(SimExecutable, FaultsHitEveryNthReplyOnly) {
  const Bytes write = simtest::writeSingle(251, 9);
  const struct {
    const char* fault;
    std::size_t length;
  } cases[] = {{"short", 7}, {"long", 9}, {"corrupt", 8}, {"silent", 0}};
  for (const auto& c : cases) {
    TempDir dir;
    SimProcess sim({"--link", dir.path("p"), "--fault", c.fault, "--fault-every", "2"});
    ASSERT_TRUE(sim.ready()) << c.fault;
    LineClient line(dir.path("p"));
    line.send(write);
    EXPECT_EQ(line.receive(write.size()), write) << c.fault << ": first reply untouched";
    line.send(simtest::writeSingle(252, 10));
    const Bytes faulted = line.receiveUntilQuiet(500ms);
    EXPECT_EQ(faulted.size(), c.length) << c.fault;
    if (!faulted.empty()) {
      EXPECT_FALSE(sim::crcMatches(faulted)) << c.fault;
    }
    // The processor acted on the request even though its reply was spoiled.
    const Bytes reply = line.transact(simtest::readRequest(251, 2), 9);
    ASSERT_EQ(reply.size(), 9U) << c.fault;
    EXPECT_EQ(simtest::replyRegister(reply, 0), 9) << c.fault;
    EXPECT_EQ(simtest::replyRegister(reply, 1), 10) << c.fault;
  }
}

TEST(SimExecutable, DelayAndSweepRunInRealTime) {
  TempDir dir;
  SimProcess sim({"--link", dir.path("p"), "--delay", "150", "--sweep-seconds", "0.4"});
  ASSERT_TRUE(sim.ready());
  LineClient line(dir.path("p"));
  const auto sent = Clock::now();
  line.send(simtest::writeSingle(901, 1));
  ASSERT_EQ(line.receive(1).size(), 1U);
  const auto firstByteAfter = std::chrono::duration<double, std::milli>(Clock::now() - sent);
  EXPECT_GE(firstByteAfter.count(), 150.0);
  line.receive(7);

  const auto status = [&] {
    const Bytes reply = line.transact(simtest::readRequest(1028, 1), 7);
    return reply.size() == 7 ? simtest::replyRegister(reply, 0) : -1;
  };
  const auto started = Clock::now();
  int lastStatus = status();
  if (lastStatus == 0) {
    // Still running: it must finish, and not before 0.4 s after it started.
    while (lastStatus == 0 && Clock::now() - started < 10s)
      lastStatus = status();
    EXPECT_GE(Clock::now() - sent, 400ms);
  }
  EXPECT_EQ(lastStatus, 1);
}

// The curve block after a sweep of `channel`, decoded as the program does.
std::vector<double> sweepOnLine(LineClient& line, int channel) {
  EXPECT_EQ(line.transact(simtest::writeSingle(905, channel), 8).size(), 8U);
  EXPECT_EQ(line.transact(simtest::writeSingle(901, 1), 8).size(), 8U);
  const Bytes reply = line.transact(simtest::readRequest(904, 125), 255);
  std::vector<double> db;
  if (reply.size() != 255U) return db;
  EXPECT_EQ(simtest::replyRegister(reply, 124) & 0xFF, 1) << "sweep finished";
  for (int b = 0; b < 31; ++b) {
    db.push_back(simtest::programLevelDb(static_cast<std::uint32_t>(
        simtest::replyRegister(reply, 4 * b + 1) << 16 |
        simtest::replyRegister(reply, 4 * b + 2) << 8 | simtest::replyRegister(reply, 4 * b + 3))));
  }
  return db;
}

// The largest difference between a curve read on the line and what the model
// says position `position` hears.
double largestDifference(const std::vector<double>& curve, int position) {
  sim::ProcessorModel model({.seed = 3});
  model.setMicPosition(position);
  double largest = 0;
  for (int b = 0; b < 31; ++b)
    largest = std::max(largest, std::abs(curve.at(b) - model.heardBandDb(1, b)));
  return largest;
}

TEST(SimExecutable, MeasuresWhereTheMicrophoneStands) {
  TempDir dir;
  SimProcess sim({"--link", dir.path("p"), "--trace", dir.path("trace.log"), "--seed", "3",
                  "--sweep-seconds", "0", "--mic", "5"});
  ASSERT_TRUE(sim.ready());
  LineClient line(dir.path("p"));
  const auto atFive = sweepOnLine(line, 1);
  ASSERT_EQ(atFive.size(), 31U);
  EXPECT_LT(largestDifference(atFive, 5), simtest::kReadingToleranceDb);
  EXPECT_GT(largestDifference(atFive, 1), 1.0) << "not the reference seat";

  // Written before the next request goes out, so the move comes first.
  ASSERT_TRUE(sim.sendLine("mic 9"));
  ASSERT_TRUE(sim.sendLine("mic 2"));
  const auto atTwo = sweepOnLine(line, 1);
  ASSERT_EQ(atTwo.size(), 31U);
  EXPECT_LT(largestDifference(atTwo, 2), simtest::kReadingToleranceDb);
  EXPECT_GT(largestDifference(atTwo, 5), 1.0);

  std::ifstream trace(dir.path("trace.log"));
  std::vector<std::string> lines;
  for (std::string text; std::getline(trace, text);)
    lines.push_back(text.substr(text.find(' ') + 1));
  // Each sweep is three requests and their replies; the refused move leaves
  // no note.
  ASSERT_EQ(lines.size(), 14U);
  EXPECT_EQ(lines[0], "mic 5");
  EXPECT_EQ(lines[7], "mic 2");
  EXPECT_EQ(lines[8].substr(0, 3), "in ");
}

TEST(SimExecutable, RefusesUnknownOptions) {
  const auto result = simtest::runCommand({EQSET_SIM_PATH, "--fault", "thunder"});
  EXPECT_EQ(result.exitCode, 2);
  EXPECT_NE(result.output.find("--fault"), std::string::npos) << result.output;
}

}  // namespace
