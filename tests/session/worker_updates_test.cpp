#include "session/worker_updates.h"

#include <gtest/gtest.h>

namespace ostrane {
namespace {

// The session reseeds the login from its settings whenever it applies changes; a login the
// worker stored meanwhile (not yet folded into the settings) must win over the older value.
TEST(WorkerUpdates, StoredLoginSurvivesAReseedUntilTakenThenFollowsTheSettings) {
  CWorkerUpdates updates;
  updates.SeedCredentials({"old", "p0"});
  const std::string user = "new";
  updates.StoreCredentials(&user, nullptr);
  updates.SeedCredentials({"old", "p1"});
  EXPECT_EQ(updates.Credentials().user, "new");
  EXPECT_EQ(updates.Credentials().protectedPassword, "p1");
  const CWorkerUpdates::Pending taken = updates.Take();
  EXPECT_EQ(taken.user, "new");
  EXPECT_FALSE(taken.protectedPassword);
  updates.SeedCredentials({"edited", "p2"});
  EXPECT_EQ(updates.Credentials().user, "edited");
}

TEST(WorkerUpdates, TraceKeepsItsOrderIsTakenOnceAndStopsGrowingAtItsLimit) {
  CWorkerUpdates updates;
  updates.AppendTrace("<OP 253 1>");
  updates.SetLocalEcho(true);
  updates.AppendTrace("<OP 251 3>");
  CWorkerUpdates::Pending p = updates.Take();
  EXPECT_EQ(p.trace, "<OP 253 1><OP 251 3>");
  EXPECT_EQ(p.localEcho, true);
  p = updates.Take();
  EXPECT_EQ(p.trace, "");
  EXPECT_FALSE(p.localEcho);
  const std::string line(1000, 'x');
  for (size_t i = 0; i < kMaxQueuedTrace / line.size() + 5; ++i) updates.AppendTrace(line);
  EXPECT_LE(updates.Take().trace.size(), kMaxQueuedTrace);
}

}  // namespace
}  // namespace ostrane
