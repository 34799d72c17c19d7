// Messages on the real console: where the cursor stays after each kind.
#include <gtest/gtest.h>

#include "app/messages.h"
#include "console/console.h"
#include "platform/messages.h"
#include "tests/support/screen.h"
#include "tests/support/testenv.h"

namespace {

class CatalogueOnScreen : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetMessages();
    UseHeadlessConsole();
  }
  void TearDown() override {
    ResetConsole();
    ResetMessages();
  }
  ScopedEnv audio_{"ZELNAR_AUDIO", "null"};
  ScopedEnv scale_{"ZELNAR_TIME_SCALE", "0"};
};

TEST_F(CatalogueOnScreen, ErrorLeavesTheCursorAfterItsBlankForTheCallersText) {
  SayMessage("ZLERRO");
  EXPECT_EQ(CursorRow(), 1);
  EXPECT_EQ(CursorColumn(), 27);  // after "Erro na operação, código: "
  Write("sem rede");
  EXPECT_EQ(ScreenRow(1).substr(0, 34), "Erro na opera\xE7\xE3o, c\xF3" "digo: sem rede");
}

TEST_F(CatalogueOnScreen, LineEndedMessagesMoveToTheNextRow) {
  SayMessage("ZLCONFIM");
  EXPECT_EQ(CursorRow(), 2);
  EXPECT_EQ(CursorColumn(), 1);
  EXPECT_EQ(ScreenRow(1).substr(0, 16), "Confirma fim ?  ");
  SayMessage("ZLSOLCON");
  EXPECT_EQ(CursorRow(), 2);
  EXPECT_EQ(CursorColumn(), 24);  // after "Solicitando conexão de "
}

}  // namespace
