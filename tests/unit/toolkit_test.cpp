// The two portable toolkit pieces: the move-only handle owner and the error report's text.

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "toolkit/report_text.h"
#include "toolkit/unique_handle.h"

namespace {

// Handles are small integers, -1 means none; every close is recorded.
std::vector<int> g_closed;

struct FakeTraits {
  using pointer = int;
  static pointer invalid() noexcept { return -1; }
  static void close(pointer h) noexcept { g_closed.push_back(h); }
};
using FakeHandle = UniqueHandle<FakeTraits>;

class UniqueHandleTest : public ::testing::Test {
 protected:
  void SetUp() override { g_closed.clear(); }
};

}  // namespace

TEST_F(UniqueHandleTest, ClosesOnceWhenItGoesOutOfScope) {
  { FakeHandle h(5); EXPECT_EQ(h.get(), 5); EXPECT_TRUE(h); }
  EXPECT_EQ(g_closed, std::vector<int>{5});
  { FakeHandle none; EXPECT_FALSE(none); EXPECT_EQ(none.get(), -1); }
  { FakeHandle zero(0); EXPECT_TRUE(zero); }  // 0 is a handle here, only -1 is none
  EXPECT_EQ(g_closed, (std::vector<int>{5, 0}));
}

TEST_F(UniqueHandleTest, MoveTransfersOwnership) {
  {
    FakeHandle a(3);
    FakeHandle b(std::move(a));
    EXPECT_FALSE(a);
    EXPECT_EQ(b.get(), 3);
    EXPECT_TRUE(g_closed.empty());
    FakeHandle c(4);
    c = std::move(b);  // c's own handle is closed, 3 moves over
    EXPECT_EQ(g_closed, std::vector<int>{4});
    EXPECT_EQ(c.get(), 3);
    FakeHandle& self = c;
    c = std::move(self);
    EXPECT_EQ(c.get(), 3);
    EXPECT_EQ(g_closed, std::vector<int>{4});
  }
  EXPECT_EQ(g_closed, (std::vector<int>{4, 3}));
}

TEST_F(UniqueHandleTest, ReleaseGivesUpWithoutClosing) {
  int released;
  {
    FakeHandle h(8);
    released = h.release();
    EXPECT_FALSE(h);
  }
  EXPECT_EQ(released, 8);
  EXPECT_TRUE(g_closed.empty());
}

TEST_F(UniqueHandleTest, ResetClosesTheOldHandle) {
  FakeHandle h(1);
  h.reset(2);
  EXPECT_EQ(g_closed, std::vector<int>{1});
  EXPECT_EQ(h.get(), 2);
  h.reset();
  EXPECT_EQ(g_closed, (std::vector<int>{1, 2}));
  EXPECT_FALSE(h);
  h.reset();  // nothing held: nothing closed
  EXPECT_EQ(g_closed.size(), 2u);
}

TEST(ReportText, PeriodAddedAfterCharactersSortingAfterIt) {
  EXPECT_EQ(ReportText("Cannot open clipboard"), "Cannot open clipboard.");
  EXPECT_EQ(ReportText("Stream write error."), "Stream write error.");
  EXPECT_EQ(ReportText("Failed (code 5)"), "Failed (code 5)");  // ')' sorts before '.'
  EXPECT_EQ(ReportText("Error code 5"), "Error code 5.");
  EXPECT_EQ(ReportText("Path C:/"), "Path C:/.");  // '/' sorts right after '.'
  EXPECT_EQ(ReportText("Really?"), "Really?.");
  EXPECT_EQ(ReportText("Done!"), "Done!");          // '!' sorts before '.'
  EXPECT_EQ(ReportText("a-"), "a-");                // '-' sorts just before '.'
  EXPECT_EQ(ReportText("a,"), "a,");
  EXPECT_EQ(ReportText("a "), "a ");
  EXPECT_EQ(ReportText(""), "");
  EXPECT_EQ(ReportText("Caf\xE9"), "Caf\xE9.");     // high characters sort after '.' too
}
