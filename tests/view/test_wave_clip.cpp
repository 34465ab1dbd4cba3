// Reading a WAV file's PCM samples: what plays, and everything that must not.
#include "view/wave_clip.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace tessary::view {
namespace {

using namespace std::string_literals;

std::vector<std::uint8_t> Bytes(const std::string &bytes) { return {bytes.begin(), bytes.end()}; }

std::string Le16(int v) { return {char(v & 0xff), char((v >> 8) & 0xff)}; }
std::string Le32(std::uint32_t v) { return Le16(int(v & 0xffff)) + Le16(int(v >> 16)); }

std::string Fmt(int channels, std::uint32_t rate, int bits, int tag = 1) {
  const int align = channels * bits / 8;
  return "fmt " + Le32(16) + Le16(tag) + Le16(channels) + Le32(rate) +
         Le32(rate * std::uint32_t(align)) + Le16(align) + Le16(bits);
}
std::string Data(const std::string &samples) {
  return "data" + Le32(std::uint32_t(samples.size())) + samples;
}
const std::string kHead = "RIFF\0\0\0\0WAVE"s;

TEST(WaveClip, DecodesPlayablePcm) {
  struct Case {
    const char *name;
    std::string file;
    int rate, channels, bits;
    std::string samples;
  };
  const std::string four = "\x01\x02\x03\x04";
  const Case cases[] = {
      {"8-bit mono", kHead + Fmt(1, 8000, 8) + Data(four), 8000, 1, 8, four},
      {"16-bit stereo at 44100", kHead + Fmt(2, 44100, 16) + Data(four), 44100, 2, 16, four},
      {"16-bit mono at 22050", kHead + Fmt(1, 22050, 16) + Data(four), 22050, 1, 16, four},
      {"8-bit stereo", kHead + Fmt(2, 11025, 8) + Data(four), 11025, 2, 8, four},
      {"other chunk first, odd length padded",
       kHead + "LIST" + Le32(3) + "abc\0"s + Fmt(1, 8000, 8) + Data(four), 8000, 1, 8, four},
      {"longer fmt chunk",
       kHead + "fmt " + Le32(18) + Fmt(1, 8000, 8).substr(8) + Le16(0) + Data(four), 8000, 1, 8,
       four},
      {"empty data", kHead + Fmt(1, 8000, 8) + Data({}), 8000, 1, 8, ""},
      {"part frame at the end left out",
       kHead + Fmt(2, 8000, 16) + Data("\x01\x02\x03\x04\x05\x06"), 8000, 2, 16, four},
      {"bytes after the data", kHead + Fmt(1, 8000, 8) + Data(four) + "junk", 8000, 1, 8, four},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    const auto clip = DecodeWave(Bytes(c.file));
    ASSERT_TRUE(clip);
    EXPECT_EQ(clip->rate, c.rate);
    EXPECT_EQ(clip->channels, c.channels);
    EXPECT_EQ(clip->bitsPerSample, c.bits);
    EXPECT_EQ(clip->samples, Bytes(c.samples));
  }
}

TEST(WaveClip, RefusesWhatItCannotPlay) {
  const std::string fmt = Fmt(1, 8000, 8);
  const std::string data = Data("\x80\x80");
  struct Case {
    const char *name;
    std::string file;
  };
  const Case cases[] = {
      {"no data chunk", kHead + fmt},
      {"data before fmt", kHead + data + fmt},
      {"data longer than the file", kHead + fmt + data.substr(0, 8)},
      {"fmt cut short", kHead + fmt.substr(0, 20)},
      {"fmt too small", kHead + "fmt " + Le32(4) + "abcd" + data},
      {"chunk size near 4 GiB", kHead + "LIST" + Le32(0xffffffffu) + fmt + data},
      {"not RIFF", "RIFX" + kHead.substr(4) + fmt + data},
      {"not WAVE", "RIFF\0\0\0\0AVI "s + fmt + data},
      {"compressed", kHead + Fmt(1, 8000, 4, 2) + data},
      {"24-bit", kHead + Fmt(1, 8000, 24) + data},
      {"three channels", kHead + Fmt(3, 8000, 8) + data},
      {"no channels", kHead + Fmt(0, 8000, 8) + data},
      {"rate 0", kHead + Fmt(1, 0, 8) + data},
      {"rate absurd", kHead + Fmt(1, 0x7fffffff, 8) + data},
      {"text", "JASC-PAL"},
      {"header cut short", kHead.substr(0, 10)},
      {"empty", ""},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_FALSE(DecodeWave(Bytes(c.file)));
  }
}

} // namespace
} // namespace tessary::view
