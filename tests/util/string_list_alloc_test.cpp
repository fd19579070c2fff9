// SStringList's allocations, seen through replaced global operator new: one Split asks for
// exactly two blocks (the copy and the offset array), and a failed allocation at either point
// leaves the empty state, which must be safe to query, split again and destroy.
#include "util/string_list.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

namespace {

// Counting and failure injection apply only while a test arms them, so gtest's own
// allocations pass through untouched.
bool s_bArmed = false;
int s_nFailAt = -1;  // index of the armed allocation that fails, -1 for none
std::vector<size_t>* s_pSizes = nullptr;

void* Allocate(size_t size, bool mayFail) {
  if (s_bArmed) {
    int index = static_cast<int>(s_pSizes->size());
    s_bArmed = false;  // the vector may allocate itself
    s_pSizes->push_back(size);
    s_bArmed = true;
    if (index == s_nFailAt && mayFail) return nullptr;
  }
  return malloc(size == 0 ? 1 : size);
}

void* AllocateOrThrow(size_t size) {
  void* p = Allocate(size, false);
  if (p == nullptr) throw std::bad_alloc();
  return p;
}

}  // namespace

void* operator new(size_t size) {
  return AllocateOrThrow(size);
}
void* operator new[](size_t size) {
  return AllocateOrThrow(size);
}
void* operator new(size_t size, const std::nothrow_t&) noexcept {
  return Allocate(size, true);
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept {
  return Allocate(size, true);
}
void operator delete(void* p) noexcept {
  free(p);
}
void operator delete[](void* p) noexcept {
  free(p);
}
void operator delete(void* p, size_t) noexcept {
  free(p);
}
void operator delete[](void* p, size_t) noexcept {
  free(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
  free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
  free(p);
}

namespace {

class SStringListAlloc : public ::testing::Test {
 protected:
  void Arm(int failAt) {
    sizes_.clear();
    sizes_.reserve(16);
    s_pSizes = &sizes_;
    s_nFailAt = failAt;
    s_bArmed = true;
  }
  void Disarm() { s_bArmed = false; }
  void TearDown() override { Disarm(); }
  std::vector<size_t> sizes_;
};

void ExpectEmpty(SStringList& list) {
  EXPECT_EQ(0, list.m_nCount);
  EXPECT_EQ(nullptr, list.m_sData);
  EXPECT_EQ(nullptr, list.m_pIndex);
  EXPECT_STREQ("", list.GetItem(0));
  EXPECT_EQ(0, list.GetItemAsInt(0));
  EXPECT_EQ(-1, list.FindItem(""));
  list.TrimItems();
}

TEST_F(SStringListAlloc, OneSplitAllocatesCopyAndOffsetsOnly) {
  SStringList list;
  const char* text = "a,'b,c',,d, e ,f";  // 6 separators, 6 items
  Arm(-1);
  int count = list.Split(text, ',', 1, 0);
  Disarm();
  EXPECT_EQ(6, count);
  ASSERT_EQ(2u, sizes_.size());
  EXPECT_EQ(strlen(text) + 1, sizes_[0]);
  EXPECT_EQ(7 * sizeof(int), sizes_[1]);  // sized once for every separator
}

TEST_F(SStringListAlloc, EveryFailurePointLeavesEmptyState) {
  for (int failAt : {0, 1}) {
    SCOPED_TRACE(failAt);
    SStringList list("old,items", ',', 0, 0);
    Arm(failAt);
    int count = list.Split("x,y,z", ',', 1, 0);
    Disarm();
    EXPECT_EQ(0, count);
    ExpectEmpty(list);
    // The list recovers once memory is there again.
    EXPECT_EQ(3, list.Split("x,y,z", ',', 1, 0));
    EXPECT_STREQ("z", list.GetItem(2));
  }
}

TEST_F(SStringListAlloc, FailureInConstructorAndIndexList) {
  for (int failAt : {0, 1}) {
    SCOPED_TRACE(failAt);
    Arm(failAt);
    SStringList made("a,b", ',', 0, 0);
    Disarm();
    ExpectEmpty(made);
  }  // destroying the empty list releases nothing twice

  SStringList held("a b c", ',', 0, 0);
  Arm(0);
  EXPECT_EQ(0, held.IndexList(' ', 0, 0));
  Disarm();
  ExpectEmpty(held);
}

}  // namespace
