#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "sim/linefault.h"
#include "sim/lineserver.h"
#include "sim/requestassembler.h"
#include "sim/simoptions.h"
#include "sim/usblatency.h"
#include "testframes.h"

namespace {

using simtest::Bytes;

Bytes concat(const Bytes& a, const Bytes& b) {
  Bytes all = a;
  all.insert(all.end(), b.begin(), b.end());
  return all;
}

struct Arrival {
  double atMs;
  Bytes bytes;
};
struct Expected {
  double takenAtMs;
  Bytes bytes;
};

TEST(RequestAssembler, CutsTheLineIntoRequests) {
  const Bytes read = simtest::readRequest(0, 16);
  const Bytes write = simtest::writeMultiple(272, {1, 2, 3});
  const Bytes unknown = simtest::withCrc({1, 4, 0, 0, 0, 1});
  Bytes badCrc = read;
  badCrc[7] ^= 0xFF;
  const struct {
    const char* what;
    std::vector<Arrival> arrivals;
    std::vector<Expected> frames;  // taken as soon as they are complete
  } cases[] = {
      {"a read at once", {{10, read}}, {{10, read}}},
      {"a read in two pieces",
       {{10, Bytes(read.begin(), read.begin() + 3)}, {11, Bytes(read.begin() + 3, read.end())}},
       {{11, read}}},
      {"function 16 by its byte count", {{10, write}}, {{10, write}}},
      {"two requests back to back", {{10, concat(read, write)}}, {{10, read}, {10, write}}},
      {"an unknown function ends with the silence", {{10, unknown}}, {{14, unknown}}},
      {"a cut-off request ends with the silence",
       {{10, Bytes(read.begin(), read.begin() + 5)}},
       {{14, Bytes(read.begin(), read.begin() + 5)}}},
      {"a retry glued to a bad frame is thrown out with it, the next one is clean",
       {{10, badCrc}, {11, read}, {200, read}},
       {{15, concat(badCrc, read)}, {200, read}}},
  };
  for (const auto& c : cases) {
    sim::RequestAssembler assembler;
    std::vector<Expected> taken;
    // Step through time in 0.5 ms ticks as the server's poll loop would.
    std::size_t next = 0;
    for (double now = 0; now <= 400; now += 0.5) {
      while (next < c.arrivals.size() && c.arrivals[next].atMs <= now) {
        assembler.receive(c.arrivals[next].bytes, now);
        ++next;
      }
      while (const auto frame = assembler.take(now))
        taken.push_back({now, frame->bytes});
    }
    ASSERT_EQ(taken.size(), c.frames.size()) << c.what;
    for (std::size_t i = 0; i < taken.size(); ++i) {
      EXPECT_EQ(taken[i].bytes, c.frames[i].bytes) << c.what << " frame " << i;
      EXPECT_DOUBLE_EQ(taken[i].takenAtMs, c.frames[i].takenAtMs) << c.what << " frame " << i;
    }
    EXPECT_TRUE(assembler.empty()) << c.what;
  }
}

TEST(RequestAssembler, RemembersWhenARequestStarted) {
  sim::RequestAssembler assembler;
  EXPECT_FALSE(assembler.silenceDeadline());
  const Bytes read = simtest::readRequest(0, 16);
  assembler.receive(Bytes(read.begin(), read.begin() + 4), 20);
  EXPECT_DOUBLE_EQ(*assembler.silenceDeadline(), 24);
  assembler.receive(Bytes(read.begin() + 4, read.end()), 22);
  const auto frame = assembler.take(22);
  ASSERT_TRUE(frame);
  EXPECT_DOUBLE_EQ(frame->firstByteMs, 20);
}

TEST(LineFault, DamagesRepliesAsAPoorLineWould) {
  const Bytes echo = simtest::writeSingle(250, 17);
  Bytes corrupted = echo;
  corrupted[4] ^= 0xFF;
  const struct {
    sim::LineFault fault;
    Bytes expected;
  } cases[] = {
      {sim::LineFault::None, echo},
      {sim::LineFault::Silent, {}},
      {sim::LineFault::Short, Bytes(echo.begin(), echo.end() - 1)},
      {sim::LineFault::Long, concat(echo, {0xFF})},
      {sim::LineFault::Corrupt, corrupted},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(sim::applyLineFault(c.fault, echo), c.expected) << int(c.fault);
    EXPECT_TRUE(sim::applyLineFault(c.fault, {}).empty()) << "silence stays silence";
  }

  // Every third reply; requests the processor ignores do not count.
  sim::FaultInjector injector(sim::LineFault::Short, 3);
  std::vector<std::size_t> lengths;
  for (int i = 0; i < 7; ++i) {
    EXPECT_TRUE(injector.onReply({}).empty());
    lengths.push_back(injector.onReply(echo).size());
  }
  EXPECT_EQ(lengths, (std::vector<std::size_t>{8, 8, 7, 8, 8, 7, 8}));
}

TEST(LineFault, LateAndOtherRepliesLookRightButAnswerAmiss) {
  const Bytes echo = simtest::writeSingle(250, 17);
  const Bytes blockEcho = simtest::withCrc({1, 16, 1, 16, 0, 3});  // 272..274
  const Bytes read = simtest::withCrc({1, 3, 4, 0, 9, 0, 10});
  const struct {
    sim::LineFault fault;
    Bytes reply;
    Bytes expected;
  } cases[] = {
      {sim::LineFault::Late, echo, echo},
      {sim::LineFault::Late, read, read},
      {sim::LineFault::Other, echo, simtest::writeSingle(251, 17)},
      {sim::LineFault::Other, blockEcho, simtest::withCrc({1, 16, 1, 17, 0, 3})},
      {sim::LineFault::Other, read, simtest::withCrc({1, 3, 2, 0, 9})},
      {sim::LineFault::Other, simtest::withCrc({1, 3, 2, 0, 9}), simtest::withCrc({1, 3, 0})},
      {sim::LineFault::Other, simtest::withCrc({1, 0x83, 2}), simtest::withCrc({1, 0x83, 2})},
      {sim::LineFault::Mixed, echo, echo},
  };
  for (const auto& c : cases) {
    const Bytes out = sim::applyLineFault(c.fault, c.reply);
    EXPECT_EQ(out, c.expected) << sim::lineFaultName(c.fault);
    EXPECT_TRUE(sim::crcMatches(out)) << sim::lineFaultName(c.fault);
  }

  // Only a late reply is held back, by the delay asked for.
  sim::FaultInjector late(sim::LineFault::Late, 2, 1, 420);
  EXPECT_EQ(late.inject(echo).extraDelayMs, 0);
  const sim::FaultedReply held = late.inject(echo);
  EXPECT_EQ(held.extraDelayMs, 420);
  EXPECT_EQ(held.bytes, echo);
  EXPECT_EQ(held.fault, sim::LineFault::Late);
}

TEST(LineFault, MixedDrawsEveryKindAndRepeatsWithTheSeed) {
  const Bytes echo = simtest::writeSingle(250, 17);
  const auto kinds = [&](std::uint64_t seed) {
    sim::FaultInjector injector(sim::LineFault::Mixed, 10, seed);
    std::vector<sim::LineFault> drawn;
    for (int i = 1; i <= 600; ++i) {
      const sim::FaultedReply r = injector.inject(echo);
      EXPECT_EQ(r.fault != sim::LineFault::None, i % 10 == 0) << "reply " << i;
      EXPECT_EQ(r.bytes, sim::applyLineFault(r.fault, echo)) << "reply " << i;
      EXPECT_EQ(r.extraDelayMs, r.fault == sim::LineFault::Late ? sim::kDefaultLateMs : 0);
      if (r.fault != sim::LineFault::None) drawn.push_back(r.fault);
    }
    return drawn;
  };
  const auto first = kinds(7);
  ASSERT_EQ(first.size(), 60U);
  EXPECT_EQ(kinds(7), first);
  EXPECT_NE(kinds(8), first);
  for (sim::LineFault k : {sim::LineFault::Silent, sim::LineFault::Short, sim::LineFault::Long,
                           sim::LineFault::Corrupt, sim::LineFault::Late, sim::LineFault::Other}) {
    EXPECT_NE(std::find(first.begin(), first.end(), k), first.end()) << sim::lineFaultName(k);
  }
  EXPECT_EQ(std::find(first.begin(), first.end(), sim::LineFault::Mixed), first.end());
}

TEST(SimOptions, ReadsTheCommandLine) {
  const auto parse = [](std::vector<std::string_view> args) { return sim::parseSimOptions(args); };

  const auto defaults = std::get<sim::SimOptions>(parse({}));
  EXPECT_EQ(defaults.seed, 1U);
  EXPECT_EQ(defaults.sweepMs, 3000);
  EXPECT_EQ(defaults.fault, sim::LineFault::None);
  EXPECT_EQ(defaults.faultEvery, 1);
  EXPECT_EQ(defaults.lateMs, 350);

  const auto all = std::get<sim::SimOptions>(parse({"--link",
                                                    "/tmp/p",
                                                    "--com",
                                                    "3",
                                                    "--dir=/opt/eqset",
                                                    "--seed",
                                                    "4294967295",
                                                    "--sweep-seconds",
                                                    "0.25",
                                                    "--trace",
                                                    "t.log",
                                                    "--fault",
                                                    "corrupt",
                                                    "--fault-every",
                                                    "5",
                                                    "--delay",
                                                    "40",
                                                    "--usb-latency",
                                                    "16",
                                                    "--mic",
                                                    "8"}));
  EXPECT_EQ(all.linkPath, "/tmp/p");
  EXPECT_EQ(all.com, 3);
  EXPECT_EQ(all.dir, "/opt/eqset");
  EXPECT_EQ(all.seed, 4294967295U);
  EXPECT_EQ(all.sweepMs, 250);
  EXPECT_EQ(all.tracePath, "t.log");
  EXPECT_EQ(all.fault, sim::LineFault::Corrupt);
  EXPECT_EQ(all.faultEvery, 5);
  EXPECT_EQ(all.delayMs, 40);
  EXPECT_EQ(all.usbLatencyMs, 16);
  EXPECT_EQ(defaults.usbLatencyMs, 0);
  EXPECT_EQ(all.mic, 8);
  EXPECT_EQ(defaults.mic, 1);
  EXPECT_TRUE(std::get<sim::SimOptions>(parse({"--help"})).help);
  for (const char* kind : {"late", "other", "mixed"}) {
    const auto options = std::get<sim::SimOptions>(parse({"--fault", kind, "--late-ms", "700"}));
    EXPECT_EQ(sim::lineFaultName(options.fault), kind);
    EXPECT_EQ(options.lateMs, 700);
  }

  const std::vector<std::vector<std::string_view>> refused = {
      {"--link"},
      {"--com", "0"},
      {"--com", "x"},
      {"--seed", "-1"},
      {"--seed", "4294967296"},
      {"--sweep-seconds", "-1"},
      {"--sweep-seconds", "1s"},
      {"--fault", "loud"},
      {"--fault-every", "0"},
      {"--delay", "-5"},
      {"--late-ms", "0"},
      {"--usb-latency", "256"},
      {"--usb-latency", "-1"},
      {"--dir", "/tmp"},
      {"--mic", "0"},
      {"--mic", "9"},
      {"--colour", "red"},
  };
  for (const auto& args : refused) {
    EXPECT_TRUE(std::holds_alternative<sim::OptionError>(parse(args))) << args.front();
  }
}

TEST(UsbLatency, HandsTheBytesOverAtTheTicksAfterTheyCrossedTheWire) {
  using Bursts = std::vector<std::pair<double, std::size_t>>;
  // Bytes of 2 ms, so that crossings fall on the ticks exactly.
  const struct {
    const char* what;
    double firstBitMs;
    std::size_t bytes;
    int latencyMs;
    Bursts expected;  // (at, count)
  } cases[] = {
      {"no adapter: each byte as it crosses", 3, 3, 0, {{5, 1}, {7, 1}, {9, 1}}},
      {"a reply inside one tick", 0, 3, 8, {{8, 3}}},
      {"a byte crossing at a tick goes with it", 0, 4, 4, {{4, 2}, {8, 2}}},
      {"a reply over several ticks", 5, 9, 8, {{8, 1}, {16, 4}, {24, 4}}},
      {"a silent reply", 5, 0, 8, {}},
  };
  for (const auto& c : cases) {
    Bursts got;
    for (const sim::UsbBurst& b : sim::usbBursts(c.firstBitMs, c.bytes, 2.0, c.latencyMs))
      got.emplace_back(b.atMs, b.count);
    EXPECT_EQ(got, c.expected) << c.what;
  }
}

TEST(ConsoleLine, MovesTheMicrophoneOrSaysWhatIsWrong) {
  const struct {
    const char* line;
    int position;  // 0: refused
  } cases[] = {
      {"mic 1", 1}, {"mic 8", 8},  {"  mic\t3 \r", 3}, {"mic 0", 0},  {"mic 9", 0},
      {"mic", 0},   {"mic 3x", 0}, {"mic -2", 0},      {"seat 3", 0}, {"mic 2 3", 0},
  };
  for (const auto& c : cases) {
    const auto parsed = sim::parseConsoleLine(c.line);
    if (c.position > 0) {
      ASSERT_TRUE(std::holds_alternative<sim::MicMove>(parsed)) << c.line;
      EXPECT_EQ(std::get<sim::MicMove>(parsed).position, c.position) << c.line;
    } else {
      ASSERT_TRUE(std::holds_alternative<sim::ConsoleError>(parsed)) << c.line;
      EXPECT_FALSE(std::get<sim::ConsoleError>(parsed).message.empty()) << c.line;
    }
  }
  const auto blank = sim::parseConsoleLine(" \r");
  ASSERT_TRUE(std::holds_alternative<sim::ConsoleError>(blank));
  EXPECT_TRUE(std::get<sim::ConsoleError>(blank).message.empty()) << "a blank line says nothing";
}

TEST(TraceLine, StampsEachFrameWithSecondsAndDirection) {
  EXPECT_EQ(sim::traceLine(12345.4, true, simtest::readRequest(0, 16)),
            "12.345 in  01 03 00 00 00 10 44 06");
  EXPECT_EQ(sim::traceLine(12.0, false, Bytes{0x01, 0x83, 0x02, 0xC0, 0xF1}),
            "0.012 out 01 83 02 C0 F1");
}

}  // namespace
