// mbpoll (libmodbus) as a third-party master: the simulator's framing and CRC
// must satisfy a Modbus implementation that is neither ours nor the program's.
#include <unistd.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <regex>
#include <string>

#include "simprocess.h"

namespace {

const char* const kMbpoll = "/usr/bin/mbpoll";

class MbpollAgainstSim : public ::testing::Test {
 protected:
  void SetUp() override {
    if (access(kMbpoll, X_OK) != 0)
      GTEST_SKIP() << "mbpoll is not installed (Debian package mbpoll)";
    sim_ = std::make_unique<simtest::SimProcess>(
        std::vector<std::string>{"--link", dir_.path("port"), "--trace", dir_.path("trace")});
    ASSERT_TRUE(sim_->ready());
  }

  simtest::CommandResult mbpoll(const std::vector<std::string>& what) {
    std::vector<std::string> argv{kMbpoll, "-m", "rtu", "-b", "9600", "-P", "none", "-d", "8", "-s",
                                  "2",     "-a", "1",   "-0", "-t",   "4",  "-1",   "-o", "3"};
    argv.insert(argv.end(), what.begin(), what.end());
    return simtest::runCommand(argv);
  }
  simtest::CommandResult read(int start, int count) {
    return mbpoll({"-r", std::to_string(start), "-c", std::to_string(count), dir_.path("port")});
  }
  // One value goes out with function 6, several with function 16.
  simtest::CommandResult write(int start, const std::vector<std::string>& values) {
    std::vector<std::string> what{"-r", std::to_string(start), dir_.path("port")};
    what.insert(what.end(), values.begin(), values.end());
    return mbpoll(what);
  }

  std::string trace() const {
    std::ifstream file(dir_.path("trace"));
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  }

  // "[40]: \t7" lines of a read.
  static std::map<int, int> registersIn(const std::string& output) {
    std::map<int, int> registers;
    const std::regex line(R"(\[(\d+)\]:\s+(-?\d+))");
    for (auto it = std::sregex_iterator(output.begin(), output.end(), line);
         it != std::sregex_iterator(); ++it) {
      registers[std::stoi((*it)[1])] = std::stoi((*it)[2]);
    }
    return registers;
  }

  simtest::TempDir dir_;
  std::unique_ptr<simtest::SimProcess> sim_;
};

TEST_F(MbpollAgainstSim, ReadsAndWritesWithFunctions3And6And16) {
  const auto start = read(0, 16);
  ASSERT_EQ(start.exitCode, 0) << start.output;
  const auto flat = registersIn(start.output);
  EXPECT_EQ(flat.size(), 16U) << start.output;
  for (const auto& [address, value] : flat)
    EXPECT_EQ(value, 15) << address;

  const auto single = write(250, {"17"});
  ASSERT_EQ(single.exitCode, 0) << single.output;
  const auto multiple = write(40, {"7", "8", "9"});
  ASSERT_EQ(multiple.exitCode, 0) << multiple.output;
  const std::string frames = trace();
  EXPECT_NE(frames.find("in  01 06 00 FA 00 11 69 F7"), std::string::npos) << frames;
  EXPECT_NE(frames.find("in  01 10 00 28 00 03 06 00 07 00 08 00 09"), std::string::npos) << frames;

  const auto equalizer = read(38, 4);
  ASSERT_EQ(equalizer.exitCode, 0) << equalizer.output;
  EXPECT_EQ(registersIn(equalizer.output),
            (std::map<int, int>{{38, 15}, {39, 15}, {40, 7}, {41, 8}}));
  const auto level = read(250, 2);
  ASSERT_EQ(level.exitCode, 0) << level.output;
  EXPECT_EQ(registersIn(level.output), (std::map<int, int>{{250, 17}, {251, 22}}));
}

TEST_F(MbpollAgainstSim, HearsTheExceptionForAnAddressBeyondTheMap) {
  const auto result = read(1098, 4);
  EXPECT_EQ(result.exitCode, 1) << result.output;
  EXPECT_NE(result.output.find("Illegal data address"), std::string::npos) << result.output;
}

}  // namespace
