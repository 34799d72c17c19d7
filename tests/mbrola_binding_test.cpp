// The MBROLA binding: a whole library is bound and used; one without all 23
// functions, or none, leaves nothing bound; unloading twice is harmless.
#include <gtest/gtest.h>

#include <string>

#include "synth/mbrola.h"

namespace {
namespace m = synth::mbrola;

bool AnyBound() {
  return m::init_MBR || m::write_MBR || m::read_MBR || m::close_MBR || m::init_Phone || m::reset_Phone ||
         m::close_Phone || m::appendf0_Phone;
}

TEST(MbrolaBindingTest, TheProgramsOwnLibraryIsBoundAndSpeaks) {
  // The tests run one folder below the programs, beside which the library is.
  ASSERT_TRUE(m::LoadMbrola());
  EXPECT_TRUE(m::MbrolaLoaded());
  std::string voice = ZELNAR_BUILD_DIR "/drives/c/kelmar/davuridi/br4";
  ASSERT_EQ(m::init_MBR(voice.data()), 0);
  char line[] = "a 100 50 200\r\n";
  m::write_MBR(line);
  m::flush_MBR();
  short samples[2000];
  EXPECT_EQ(m::read_MBR(samples, 2000), 1600);
  EXPECT_EQ(m::lastError_MBR(), 0);
  m::close_MBR();
  m::UnloadMbrola();
  EXPECT_FALSE(m::MbrolaLoaded());
  EXPECT_FALSE(AnyBound());
  m::UnloadMbrola();  // a second time: nothing happens
  EXPECT_FALSE(m::MbrolaLoaded());
}

TEST(MbrolaBindingTest, ALibraryLackingOneFunctionIsUnloaded) {
  ASSERT_TRUE(m::LoadMbrolaFile(MBROLA_REAL));
  EXPECT_FALSE(m::LoadMbrolaFile(MBROLA_LACKING));
  EXPECT_FALSE(m::MbrolaLoaded());
  EXPECT_FALSE(AnyBound());
}

TEST(MbrolaBindingTest, ALibraryWithNoneOfTheFunctionsOrNoneAtAllFails) {
  EXPECT_FALSE(m::LoadMbrolaFile(MBROLA_NONE));
  EXPECT_FALSE(AnyBound());
  EXPECT_FALSE(m::LoadMbrolaFile(ZELNAR_BUILD_DIR "/no-such-libmbrola.so"));
  EXPECT_FALSE(m::MbrolaLoaded());
}

}  // namespace
