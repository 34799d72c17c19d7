// Our MBROLA library against its contract, with the voice the build records
// (br4) for what a listener hears, and small made-up voices for damage and
// gaps: lengths, pitch, smooth joins, and bad input that never stops it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "synth/mbrola/database.h"
#include "synth/mbrola/libmbrola.h"
#include "tests/support/testenv.h"

namespace {
const std::string kVoice = ZELNAR_BUILD_DIR "/drives/c/kelmar/davuridi/br4";
constexpr int kRate = 16000;

std::vector<short> Say(const std::string& lines) {
  std::string text = lines;
  write_MBR(text.data());
  flush_MBR();
  std::vector<short> out;
  short buffer[1000];
  while (int n = read_MBR(buffer, 1000)) out.insert(out.end(), buffer, buffer + n);
  return out;
}

// Pitch by normalised autocorrelation over 30 ms around `centre`.
double PitchAt(const std::vector<short>& x, size_t centre) {
  const int window = kRate * 30 / 1000;
  size_t from = centre - window / 2;
  double best = 0;
  int lag = 0;
  std::vector<double> r(kRate / 60 + 2, 0.0);
  for (int l = kRate / 500; l <= kRate / 60; ++l) {
    double xy = 0, e0 = 0, e1 = 0;
    for (int n = 0; n < window; ++n) {
      double a = x[from + n], b = x[from + n + l];
      xy += a * b, e0 += a * a, e1 += b * b;
    }
    r[l] = xy / std::sqrt(e0 * e1 + 1e-9);
  }
  for (int l = kRate / 500; l <= kRate / 60; ++l)
    if (r[l] > best) best = r[l], lag = l;
  // The shortest lag nearly as good: a period, not a multiple of it.
  for (int l = kRate / 500; l < lag; ++l)
    if (r[l] > 0.9 * best && r[l] >= r[l - 1] && r[l] >= r[l + 1]) {
      lag = l;
      break;
    }
  double a = r[lag - 1], b = r[lag], c = r[lag + 1];
  double shift = (a - 2 * b + c) != 0 ? 0.5 * (a - c) / (a - 2 * b + c) : 0;
  return kRate / (lag + shift);
}

class LibraryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string path = kVoice;
    ASSERT_EQ(init_MBR(path.data()), 0) << "the build records " << kVoice;
    setNoError_MBR(0);
  }
  void TearDown() override { close_MBR(); }
};

TEST_F(LibraryTest, OutputLastsTheSumOfTheDurations) {
  // Odd durations, so that rounding could add up if it were done per phoneme.
  const char* lines = "_ 43.3\nk 71.7\na 120.4 50 200\nz 85.5\na2 131.1 0 180 100 150\ns 93.3\n_ 55.5\n";
  double sum = 43.3 + 71.7 + 120.4 + 85.5 + 131.1 + 93.3 + 55.5;
  EXPECT_EQ(Say(lines).size(), static_cast<size_t>(std::llround(sum * kRate / 1000)));
  EXPECT_EQ(lastError_MBR(), 0);
}

TEST_F(LibraryTest, PitchFollowsTheRequestedContourInEveryVowel) {
  struct Vowel {
    const char* name;
    double from, to;  // Hz at 0 % and 100 %
  };
  const Vowel vowels[] = {{"a", 230, 230}, {"e", 150, 150}, {"o", 120, 180}, {"i", 300, 260}, {"u", 100, 100},
                          {"an", 200, 240}, {"e2", 180, 180}};
  std::string lines = "_ 60\n";
  std::vector<std::pair<size_t, double>> probes;  // sample, expected Hz
  double at = 60;
  for (const Vowel& v : vowels) {
    lines += "m 60\n";
    at += 60;
    lines += std::string(v.name) + " 240 0 " + std::to_string(v.from) + " 100 " + std::to_string(v.to) + "\n";
    for (double share : {0.4, 0.5, 0.6})
      probes.emplace_back(static_cast<size_t>((at + 240 * share) * kRate / 1000), v.from + (v.to - v.from) * share);
    at += 240;
  }
  lines += "_ 60\n";
  std::vector<short> x = Say(lines);
  ASSERT_EQ(x.size(), static_cast<size_t>((at + 60) * kRate / 1000));
  for (auto [sample, hz] : probes) EXPECT_NEAR(PitchAt(x, sample), hz, hz * 0.03) << "at sample " << sample;
}

TEST_F(LibraryTest, JoinsBetweenDiphonesAreNoSteeperThanTheDiphonesInside) {
  // Every phoneme's two halves come from two recordings; they meet inside it,
  // where the recorded halves' lengths divide its duration.
  mbr::Database db;
  std::string error;
  ASSERT_TRUE(mbr::LoadDatabase(kVoice, db, error)) << error;
  auto find = [&](const std::string& a, const std::string& b) {
    for (const mbr::Diphone& d : db.diphones)
      if (d.left == a && d.right == b) return d;
    ADD_FAILURE() << a << "-" << b;
    return mbr::Diphone();
  };
  const std::vector<std::pair<std::string, int>> phonemes = {{"a", 150}, {"m", 80}, {"o", 170}, {"l", 70}, {"e2", 160},
                                                             {"n", 90},  {"i", 140}, {"v", 80}, {"u", 150}};
  std::string lines = "_ 50\n";
  for (auto& [p, ms] : phonemes) lines += p + " " + std::to_string(ms) + " 50 200\n";
  lines += "_ 50\n";
  std::vector<short> x = Say(lines);
  std::vector<bool> nearJoin(x.size(), false);
  int64_t t = 50 * kRate / 1000;
  std::string before = "_";
  for (size_t i = 0; i < phonemes.size(); ++i) {
    const std::string after = i + 1 < phonemes.size() ? phonemes[i + 1].first : "_";
    mbr::Diphone in = find(before, phonemes[i].first), out = find(phonemes[i].first, after);
    double a = in.end - in.boundary, b = out.boundary - out.begin;
    int64_t len = phonemes[i].second * kRate / 1000;
    int64_t join = t + std::llround(static_cast<double>(len) * a / (a + b));
    for (int64_t n = join - 48; n < join + 48; ++n) nearJoin[static_cast<size_t>(n)] = true;  // 3 ms either side
    t += len;
    before = phonemes[i].first;
  }
  int atJoins = 0, inside = 0;
  for (size_t n = 1; n < x.size(); ++n) {
    int step = std::abs(x[n] - x[n - 1]);
    (nearJoin[n] ? atJoins : inside) = std::max(nearJoin[n] ? atJoins : inside, step);
  }
  EXPECT_GT(inside, 0);
  EXPECT_LE(atJoins, inside);
}

TEST_F(LibraryTest, EachBadLineReportsAnErrorAndTheNextLineIsSpoken) {
  struct Case {
    std::string line;
    int error;
  };
  const Case cases[] = {{"qq 100\n", MBR_ERR_PHONEME},
                        {"a -5\n", MBR_ERR_LINE},
                        {"a\n", MBR_ERR_LINE},
                        {"a 100000\n", MBR_ERR_LINE},
                        {"a 100 150 200\n", MBR_ERR_LINE},
                        {"a 100 50 0\n", MBR_ERR_LINE},
                        {"a 100 50 20000\n", MBR_ERR_LINE},
                        {"a 100 50\n", MBR_ERR_LINE},
                        {"\xff\xfe\x01\x7f 12\n", MBR_ERR_PHONEME},
                        {std::string(10000, 'x') + "\n", MBR_ERR_LINE}};
  std::string many = "a 100";
  for (int i = 0; i < 100; ++i) many += " 50 200";
  for (const Case& c : cases) {
    reset_MBR();
    std::string line = c.line;
    write_MBR(line.data());
    EXPECT_EQ(lastError_MBR(), c.error) << c.line.substr(0, 40);
    char text[64] = "";
    EXPECT_GT(lastErrorStr_MBR(text, sizeof text), 0);
    reset_MBR();
    EXPECT_EQ(Say("a 100 50 200\n").size(), 1600u);
    EXPECT_EQ(lastError_MBR(), 0);
  }
  reset_MBR();
  write_MBR((many + "\n").data());
  EXPECT_EQ(lastError_MBR(), MBR_ERR_LINE);  // more than 64 points
}

TEST_F(LibraryTest, AnotherOutputRateKeepsDurationsAndPitch) {
  setFreq_MBR(8000);
  EXPECT_EQ(getFreq_MBR(), 8000);
  std::vector<short> x = Say("a 200 0 150 100 150\n");
  ASSERT_EQ(x.size(), 1600u);
  std::vector<short> twice;  // at 16 kHz again, for the pitch measure
  for (short v : x) twice.insert(twice.end(), {v, v});
  EXPECT_NEAR(PitchAt(twice, 1600), 150, 4.5);
  setFreq_MBR(16000);
}

TEST_F(LibraryTest, ThousandsOfLinesWithoutAFlushStreamOut) {
  size_t read = 0;
  short buffer[16000];
  for (int i = 0; i < 5000; ++i) {
    char line[] = "a 10 50 200\n";
    write_MBR(line);
    while (int n = read_MBR(buffer, 16000)) read += static_cast<size_t>(n);
  }
  EXPECT_GT(read, 4000u * 160u);  // most of it before the end
  flush_MBR();
  while (int n = read_MBR(buffer, 16000)) read += static_cast<size_t>(n);
  EXPECT_EQ(read, 5000u * 160u);
}

// A made-up voice of two phonemes, a and b, whose "a-b" is missing: a
// 100 Hz pulse train with its marks.
std::string TinyVoice(bool withAB) {
  mbr::Database db;
  std::vector<std::pair<std::string, std::string>> pairs = {{"_", "a"}, {"a", "_"}, {"_", "b"}, {"b", "_"},
                                                            {"a", "a"}, {"b", "a"}, {"_", "_"}};
  if (withAB) pairs.push_back({"a", "b"});
  for (auto& [l, r] : pairs) {
    mbr::Diphone d;
    d.left = l, d.right = r;
    d.first = static_cast<uint32_t>(db.samples.size());
    d.count = 3200, d.begin = 320, d.boundary = 1600, d.end = 2880;
    d.firstMark = static_cast<uint32_t>(db.marks.size());
    for (uint32_t m = 80; m < d.count; m += 160) db.marks.push_back(m), ++d.markCount;
    for (uint32_t n = 0; n < d.count; ++n) db.samples.push_back(static_cast<int16_t>(n % 160 < 8 ? 8000 : 0));
    db.diphones.push_back(d);
  }
  return mbr::EncodeDatabase(db);
}

TEST(LibraryVoiceTest, AMissingDiphoneIsBridgedAndReported) {
  TempDir dir;
  std::string path = dir.Write("tiny", TinyVoice(false));
  ASSERT_EQ(init_MBR(path.data()), 0);
  EXPECT_EQ(Say("a 100\nb 100\n").size(), 3200u);
  EXPECT_EQ(lastError_MBR(), MBR_ERR_DIPHONE);
  reset_MBR();
  setNoError_MBR(1);
  EXPECT_EQ(Say("a 100\nb 100\n").size(), 3200u);
  EXPECT_EQ(lastError_MBR(), 0);
  setNoError_MBR(0);
  close_MBR();
}

TEST(LibraryVoiceTest, ADamagedDatabaseIsRefused) {
  TempDir dir;
  std::string good = TinyVoice(true);
  std::string pastEnd = good;
  pastEnd[28 + 8 + 3] = '\x7f';  // the first diphone's first sample, far past the samples
  std::string badMark = good;
  badMark[good.size() - 2 * 3200 * 8 - 4 * (3200 / 160 * 8) + 3] = '\x7f';  // a mark past its diphone
  const std::pair<const char*, std::string> cases[] = {
      {"empty", ""}, {"truncated", good.substr(0, good.size() - 1)}, {"header only", good.substr(0, 28)},
      {"offset past the end", pastEnd}, {"mark past the diphone", badMark}, {"text", "a 100\n"}};
  for (auto& [what, bytes] : cases) {
    std::string path = dir.Write(what, bytes);
    EXPECT_LT(init_MBR(path.data()), 0) << what;
    EXPECT_EQ(lastError_MBR(), MBR_ERR_DATABASE) << what;
    char line[] = "a 100\n";
    write_MBR(line);
    EXPECT_EQ(lastError_MBR(), MBR_ERR_NOT_READY) << what;
  }
  std::string missing = dir.path() + "/none";
  EXPECT_LT(init_MBR(missing.data()), 0);
  std::string path = dir.Write("good", good);
  EXPECT_EQ(init_MBR(path.data()), 0);
  close_MBR();
}

}  // namespace
