// The planner's building blocks: the ring-buffer open list, the bucketed
// closed set and the node pool, and the planner's own lifecycle.
#include <gtest/gtest.h>

#include <vector>

#include "pathfind/fixed_deque.h"
#include "pathfind/grid_planner.h"
#include "pathfind/node_hash_table.h"
#include "pathfind/node_pool.h"
#include "pathfind/planner.h"

namespace {

std::vector<int> Items(const orv::FixedDeque<int>& d) {
  std::vector<int> out;
  for (uint32_t i = 0; i < d.Size(); ++i) out.push_back(d.At(i));
  return out;
}

TEST(FixedDeque, WrapsAroundAndReportsFullAndEmpty) {
  orv::FixedDeque<int> d(4);
  EXPECT_TRUE(d.Empty());
  EXPECT_FALSE(d.PopBack());
  EXPECT_FALSE(d.PopFront());
  for (int v : {1, 2, 3}) EXPECT_TRUE(d.PushBack(v));
  EXPECT_TRUE(d.PopFront());
  EXPECT_TRUE(d.PopFront());
  // head is at 2 now: the next pushes wrap past the end of the array.
  EXPECT_TRUE(d.PushBack(4));
  EXPECT_TRUE(d.PushBack(5));
  EXPECT_TRUE(d.PushFront(0));
  EXPECT_TRUE(d.Full());
  EXPECT_EQ(d.Size(), 4u);
  EXPECT_FALSE(d.PushBack(9));
  EXPECT_FALSE(d.PushFront(9));
  EXPECT_FALSE(d.InsertAt(1, 9));
  EXPECT_EQ(Items(d), (std::vector<int>{0, 3, 4, 5}));
  EXPECT_EQ(d.Back(), 5);
  for (int i = 0; i < 4; ++i) EXPECT_TRUE(d.PopBack());
  EXPECT_TRUE(d.Empty());
  EXPECT_EQ(d.Size(), 0u);

  orv::FixedDeque<int> none;  // capacity 0 holds nothing
  EXPECT_FALSE(none.PushBack(1));
  EXPECT_FALSE(none.InsertAt(0, 1));
}

TEST(FixedDeque, InsertAndEraseAtBothEndsAndInTheMiddle) {
  orv::FixedDeque<int> d(6);
  d.PushBack(10);
  d.PushBack(20);
  d.PopFront();
  d.PushBack(30);  // ring now starts at index 1
  EXPECT_TRUE(d.InsertAt(0, 5));             // prepend
  EXPECT_TRUE(d.InsertAt(d.Size(), 40));     // append
  EXPECT_TRUE(d.InsertAt(2, 25));            // middle: copied and restarted at 0
  EXPECT_FALSE(d.InsertAt(d.Size() + 1, 1)); // beyond the end
  EXPECT_EQ(Items(d), (std::vector<int>{5, 20, 25, 30, 40}));
  EXPECT_TRUE(d.InsertAt(1, 7));             // fills the last free place
  EXPECT_TRUE(d.Full());
  EXPECT_EQ(Items(d), (std::vector<int>{5, 7, 20, 25, 30, 40}));

  EXPECT_FALSE(d.EraseAt(6));
  EXPECT_TRUE(d.EraseAt(2));
  EXPECT_TRUE(d.EraseAt(0));
  EXPECT_TRUE(d.EraseAt(d.Size() - 1));
  EXPECT_EQ(Items(d), (std::vector<int>{7, 25, 30}));
  EXPECT_TRUE(d.PushBack(50));
  EXPECT_TRUE(d.PushFront(1));
  EXPECT_EQ(Items(d), (std::vector<int>{1, 7, 25, 30, 50}));

  EXPECT_TRUE(d.Resize(2));
  EXPECT_TRUE(d.Empty());
  EXPECT_EQ(d.Capacity(), 2u);
}

TEST(NodeHashTable, ResetRoundsTheExponentAndTilesTheMap) {
  orv::NodeHashTable t;
  EXPECT_EQ(t.BucketCount(), 1u);  // a new table has one bucket
  EXPECT_EQ(t.BucketOf(123, 456), 0u);
  t.Reset(7);
  EXPECT_EQ(t.Exponent(), 6);
  t.Reset(31);
  EXPECT_EQ(t.Exponent(), 24);
  t.Reset(-3);
  EXPECT_EQ(t.Exponent(), 0);
  t.Reset(8);
  EXPECT_EQ(t.BucketCount(), 256u);
  // 16 x 16 tiles: the low four bits of x, then of y.
  EXPECT_EQ(t.BucketOf(3, 5), 3u | 5u << 4);
  EXPECT_EQ(t.BucketOf(19, 21), t.BucketOf(3, 5));
  EXPECT_EQ(t.BucketOf(15, 15), 255u);
}

TEST(NodeHashTable, ChainsFindsRemovesAndReleasesToThePool) {
  orv::NodeFactory pool;
  ASSERT_TRUE(pool.Refill(4));
  orv::NodeHashTable t;
  t.Reset(2);  // 2 x 2 tiles: (0,0), (2,0) and (0,2) share a bucket
  orv::Node* a = pool.Take();
  orv::Node* b = pool.Take();
  orv::Node* c = pool.Take();
  a->x = 0, a->y = 0;
  b->x = 2, b->y = 0;
  c->x = 0, c->y = 2;
  EXPECT_FALSE(t.Insert(nullptr));
  EXPECT_TRUE(t.Insert(a));
  EXPECT_TRUE(t.Insert(b));
  EXPECT_TRUE(t.Insert(c));
  EXPECT_FALSE(t.Insert(b));  // already chained
  EXPECT_EQ(t.Count(), 3);
  EXPECT_EQ(t.Find(2, 0), b);
  t.RemoveFound();  // from the middle of the chain
  EXPECT_EQ(t.Find(2, 0), nullptr);
  EXPECT_EQ(t.Find(0, 0), a);
  EXPECT_EQ(t.Find(0, 2), c);
  EXPECT_EQ(t.Count(), 2);
  t.RemoveFound();
  t.RemoveFound();  // nothing found since: no effect
  EXPECT_EQ(t.Count(), 1);
  EXPECT_TRUE(t.Insert(b));
  EXPECT_EQ(pool.InUse(), 3);
  t.ReleaseAll(pool);
  EXPECT_EQ(pool.InUse(), 1);  // a and b went back; c was unlinked earlier
  EXPECT_EQ(t.Find(0, 0), nullptr);
  EXPECT_EQ(t.Count(), 0);
}

TEST(NodeFactory, HandsOutInOrderUntilEmpty) {
  orv::NodeFactory pool;
  ASSERT_TRUE(pool.Refill(2));
  orv::Node* first = pool.Take();
  orv::Node* second = pool.Take();
  EXPECT_NE(first, nullptr);
  EXPECT_NE(second, nullptr);
  EXPECT_EQ(pool.Take(), nullptr);
  pool.Release(second);
  EXPECT_EQ(pool.Take(), second);
  pool.Release(second);
  pool.Release(first);
  pool.Release(first);  // below empty: stays at 0
  EXPECT_EQ(pool.InUse(), 0);
  EXPECT_EQ(pool.Take(), first);
}

TEST(Planner, ReusedPlannerAndReleasedNodes) {
  std::vector<double> map(25, 1.0);
  orv::PlannerRequest r;
  r.width = r.height = 5;
  r.map = map.data();
  r.goalX = r.goalY = 4;
  r.hashExponent = 8;
  orv::AStarPlanner planner;
  EXPECT_TRUE(planner.Idle());
  ASSERT_TRUE(planner.Init(r));
  planner.Start();
  EXPECT_FALSE(planner.Idle());
  EXPECT_TRUE(planner.Search());
  EXPECT_TRUE(planner.Idle());
  EXPECT_EQ(planner.SearchCalls(), 1);
  ASSERT_NE(planner.Result(), nullptr);
  planner.Clear();
  EXPECT_EQ(planner.Result(), nullptr);
  // A second request on the same planner replaces grid, pool and lists.
  r.goalX = 0;
  ASSERT_TRUE(planner.Init(r));
  planner.Start();
  planner.Search();
  int rows = 0;
  for (const orv::Node* n = planner.Result(); n; n = n->parent) ++rows;
  EXPECT_EQ(rows, 5);
}

TEST(Planner, RefusesMapsTooLargeForThirtyTwoBitIndices) {
  const double one = 1;
  orv::PlannerRequest r;
  r.width = 65536;
  r.height = 32768;  // 2^31 cells: one more than an int can index
  r.map = &one;      // never read: the size is refused first
  r.goalX = 1;
  orv::AStarPlanner reference;
  EXPECT_FALSE(reference.Init(r));
  EXPECT_EQ(reference.Error(), 7);
  orv::GridPlanner fast;
  EXPECT_FALSE(fast.Init(r));
  EXPECT_EQ(fast.Error(), 7);
}

}  // namespace
