#include "params/registermap.h"

#include <gtest/gtest.h>

#include "params/bankoffset.h"
#include "params/registerimage.h"

namespace eqset {
namespace {

TEST(RegisterMap, EqualizerAddressesInEveryBank) {
  struct Case {
    Mode mode;
    Input input;
    int channel;
    int band;
    int address;
  };
  const Case cases[] = {
      {Mode::Unified, Input::AnalogB, 3, 10, 103},
      {Mode::ThreeGroups, Input::DigitalA, 3, 10, 103},
      {Mode::ThreeGroups, Input::AnalogB, 3, 10, 403},
      {Mode::ThreeGroups, Input::Auxiliary, 3, 10, 703},
      {Mode::ThreeGroups, Input::Auxiliary, 2, 0, 662},
      {Mode::ThreeGroups, Input::AnalogB, 5, 0, 455},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(bankOffset(c.mode, c.input) + equalizerRegister(c.channel, c.band), c.address);
  }
  EXPECT_EQ(bankOffset(Mode::ThreeGroups, Input::AnalogB) + reg::kMasterVolume, 548);
  EXPECT_EQ(bankOffset(Mode::ThreeGroups, Input::AnalogB) + reg::kChannelLevel + 5, 555);
}

TEST(RegisterMap, ConversionsBothWays) {
  // Flat band, 0 dB level and 0 dB volume.
  EXPECT_EQ(conv::bandRegisterFromPosition(0), 15);
  EXPECT_EQ(conv::levelRegisterFromPosition(-14), 22);
  EXPECT_EQ(conv::volumeRegisterFromPosition(0), 55);
  struct Case {
    int position;
    int bandRegister;
    int bandGain;
  };
  for (const Case c : {Case{-15, 30, 15}, Case{15, 0, -15}, Case{-4, 19, 4}}) {
    EXPECT_EQ(conv::bandRegisterFromPosition(c.position), c.bandRegister);
    EXPECT_EQ(conv::bandGainFromRegister(c.bandRegister), c.bandGain);
    EXPECT_EQ(conv::bandPositionFromRegister(c.bandRegister), c.position);
  }
  EXPECT_EQ(conv::levelRegisterFromPosition(-22), 30);
  EXPECT_EQ(conv::levelDbFromPosition(-22), 8);
  EXPECT_EQ(conv::levelRegisterFromPosition(8), 0);
  EXPECT_EQ(conv::levelDbFromPosition(8), -22);
  EXPECT_EQ(conv::levelDbFromRegister(conv::levelRegisterFromPosition(-20)), 6);
  EXPECT_EQ(conv::levelPositionFromDb(-3), -11);
  EXPECT_EQ(conv::volumeRegisterFromPosition(-55), 0);
  EXPECT_EQ(conv::volumeDbFromRegister(60), 5);
}

TEST(RegisterMap, LookupFindsTheRightEntry) {
  struct Case {
    int address;
    bool found;
    Encoding encoding;
  };
  const Case cases[] = {
      {0, true, Encoding::BandGain},      {185, true, Encoding::BandGain},
      {47, true, Encoding::TypedCommand}, {48, true, Encoding::TypedCommand},
      {403, true, Encoding::BandGain},    {785, true, Encoding::BandGain},
      {548, true, Encoding::Volume},      {855, true, Encoding::Level},
      {262, true, Encoding::Code},        {562, false, Encoding::Code},
      {186, false, Encoding::Code},       {901, true, Encoding::Trigger},
      {1028, true, Encoding::RawBlock},   {1085, true, Encoding::Seconds},
      {-1, false, Encoding::Code},        {1500, false, Encoding::Code},
  };
  for (const auto& c : cases) {
    const auto e = lookupRegister(c.address);
    ASSERT_EQ(e.has_value(), c.found) << c.address;
    if (c.found) {
      EXPECT_EQ(e->encoding, c.encoding) << c.address;
    }
  }
}

TEST(RegisterMap, TableIsOrderedAndNonOverlappingOutsideTheTypedCommands) {
  const auto table = registerTable();
  int lastEnd = -1;
  for (const auto& e : table) {
    EXPECT_LE(e.first, e.last);
    if (e.encoding == Encoding::TypedCommand) continue;
    EXPECT_GT(e.first, lastEnd) << e.meaning;
    lastEnd = e.last;
  }
}

TEST(RegisterMap, BandLabels) {
  const auto& bands = bandTable();
  EXPECT_EQ(bands[0].label, "20Hz");
  EXPECT_EQ(bands[2].label, "31.5Hz");
  EXPECT_EQ(bands[17].label, "1kHz");
  EXPECT_EQ(bands[22].label, "3.15kHz");
  EXPECT_EQ(bands[30].label, "20kHz");
  for (std::size_t b = 1; b < bands.size(); ++b)
    EXPECT_GT(bands[b].hz, bands[b - 1].hz);
}

TEST(RegisterImage, StartsAtZeroAndRefusesValuesThatDoNotFit) {
  RegisterImage image;
  EXPECT_EQ(image.at(0), 0);
  EXPECT_EQ(image.at(1500), 0);
  EXPECT_TRUE(image.storeRead(3, 32767));
  EXPECT_EQ(image.at(3), 32767);
  EXPECT_FALSE(image.storeRead(3, 0x8000));
  EXPECT_EQ(image.at(3), 32767);
  EXPECT_THROW(image.at(1501), std::out_of_range);
}

}  // namespace
}  // namespace eqset
