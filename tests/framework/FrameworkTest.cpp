// The framework layer: checked arrays, strings, rectangles, the message
// scope and the cross-thread SendMessage of the headless window.
#include <thread>

#include <cstring>

#include "TestSupport.h"

namespace TzGrid::Test {
namespace {

TEST(Framework, CheckedArraysRaiseOutsideTheirBounds) {
  CUIntArray a;
  a.SetSize(3);
  EXPECT_EQ(a.GetAt(2), 0u);
  EXPECT_THROW(a.GetAt(3), CInvalidArgException);
  EXPECT_THROW(a.GetAt(-1), CInvalidArgException);
  EXPECT_THROW(a.SetAt(3, 1), CInvalidArgException);
  a.SetAt(0, 10), a.SetAt(1, 11), a.SetAt(2, 12);
  a.InsertAt(1, 99);
  EXPECT_EQ(a.GetAt(1), 99u);
  EXPECT_EQ(a.GetAt(3), 12u);
  a.RemoveAt(0);
  EXPECT_EQ(a.GetAt(0), 99u);
  EXPECT_EQ(a.GetSize(), 3);
  EXPECT_THROW(a.RemoveAt(3), CInvalidArgException);
  EXPECT_THROW(a.RemoveAt(2, 2), CInvalidArgException);
  a.InsertAt(5, 7);  // past the end: grows with zero entries first
  EXPECT_EQ(a.GetSize(), 6);
  EXPECT_EQ(a.GetAt(3), 0u);
  EXPECT_EQ(a.GetAt(5), 7u);
  EXPECT_THROW(a.SetSize(-1), CInvalidArgException);
  CTypedPtrArray<CObArray, CGridCell*> row;
  row.SetSize(2);
  EXPECT_EQ(row.GetAt(1), nullptr);
}

TEST(Framework, StringsAreCountedUtf16) {
  CString empty;
  EXPECT_TRUE(empty.IsEmpty());
  EXPECT_EQ(empty.HeapBytes(), 0u);
  EXPECT_EQ(std::u16string(empty.GetString()), u"");
  CString s(u"ab\0cd", 5);
  EXPECT_EQ(s.GetLength(), 5);
  EXPECT_EQ(CString::FromTruncated(s.View()), u"ab");
  EXPECT_EQ(CString::FromTruncated(u"\0x"), u"");
  CString t(u"line one\nline two \t\r\n");
  t.TrimRight();
  EXPECT_EQ(t, u"line one\nline two");
  EXPECT_EQ(t.Replace(u'\n', u' '), 1);
  EXPECT_EQ(t, u"line one line two");
  CString u = CString::FromUtf8("Gr\xC3\xBC\xC3\x9F" "e \xF0\x9F\x98\x80");
  EXPECT_EQ(u.GetLength(), 8);
  EXPECT_EQ(u.ToUtf8(), "Gr\xC3\xBC\xC3\x9F" "e \xF0\x9F\x98\x80");
  EXPECT_EQ(CString::FromUtf8("\xFF" "a").View(), u"\xFFFD" "a");
  CString joined = CString(u"ab") + u"c";
  joined += joined;
  EXPECT_EQ(joined, u"abcabc");
  EXPECT_THROW(joined.GetAt(6), CInvalidArgException);
}

// Short strings carry a 16-bit length, longer ones a 32-bit one; the texts
// and lengths must come out the same on either side of the boundary.
TEST(Framework, StringLengthHeadersAroundTheBoundary) {
  // Up to 11 characters live in the string itself; the twelfth needs a block.
  CString inlined(u"R000123C07x"), spilled(u"R000123C07xy");
  EXPECT_EQ(inlined.HeapBytes(), 0u);
  EXPECT_EQ(inlined.GetString()[11], u'\0');
  EXPECT_EQ(spilled.HeapBytes(), 28u);  // 2 + 13 units
  inlined += u"y";
  EXPECT_EQ(inlined, spilled);
  spilled.TrimRight();
  spilled.Assign(u"ab");
  EXPECT_EQ(spilled.HeapBytes(), 0u);
  CString moved(std::move(inlined));
  EXPECT_TRUE(inlined.IsEmpty());
  EXPECT_EQ(moved.View(), u"R000123C07xy");
  for (std::size_t length : {std::size_t(0xFFFD), std::size_t(0xFFFE), std::size_t(0xFFFF), std::size_t(0x10001)}) {
    std::u16string text(length, u'x');
    text[length - 1] = u'\xFFFF';  // the long-form marker as a character must not confuse it
    CString s(text.data(), text.size());
    ASSERT_EQ(std::size_t(s.GetLength()), length);
    EXPECT_EQ(s.View(), text);
    EXPECT_EQ(s.GetString()[length], u'\0');
    CString grown(s);
    grown += u"ab";
    EXPECT_EQ(std::size_t(grown.GetLength()), length + 2);
    EXPECT_EQ(grown.View().substr(0, length), text);
    EXPECT_EQ(grown.GetAt(int(length) + 1), u'b');
    // A text of the same length is written over the block; any other gets
    // a block whose header tells its own length.
    const WCHAR* block = s.GetString();
    std::u16string other(length, u'y');
    s.Assign(other);
    EXPECT_EQ(s.GetString(), block);
    EXPECT_EQ(s.View(), other);
    s.Assign(std::u16string_view(other).substr(0, length - 1));
    EXPECT_EQ(std::size_t(s.GetLength()), length - 1);
    EXPECT_EQ(s.GetString()[length - 1], u'\0');
  }
}

// Slots never move, distinct slots do not overlap, an emptied block goes
// back to the system, and a reservation survives frees that empty blocks.
TEST(Framework, SlabSlotsAreStableAndBlocksGoBack) {
  CFixedSlabAlloc slab(52);
  const std::size_t perBlock = slab.GetSlotsPerBlock();
  ASSERT_GT(perBlock, 1000u);
  std::vector<char*> slots;
  for (std::size_t i = 0; i < perBlock + 10; ++i) {
    auto* slot = static_cast<char*>(slab.Allocate());
    ASSERT_EQ(reinterpret_cast<std::uintptr_t>(slot) % 4, 0u);
    std::memset(slot, int(i & 0x7F), 52);
    slots.push_back(slot);
  }
  EXPECT_EQ(slab.GetBlockCount(), 2u);
  for (std::size_t i = 0; i < slots.size(); ++i) ASSERT_EQ(slots[i][51], char(i & 0x7F)) << i;
  // Free the first block's slots: it goes back, the second stays.
  for (std::size_t i = 0; i < perBlock; ++i) slab.Free(slots[i]);
  EXPECT_EQ(slab.GetBlockCount(), 1u);
  EXPECT_EQ(slab.GetLiveCount(), 10u);
  // A reserved block is kept even when freeing empties it.
  slab.Reserve(perBlock);
  std::size_t reservedBlocks = slab.GetBlockCount();
  for (std::size_t i = perBlock; i < slots.size(); ++i) slab.Free(slots[i]);
  EXPECT_EQ(slab.GetLiveCount(), 0u);
  EXPECT_GE(slab.GetBlockCount(), 1u);
  std::size_t before = AfxSetAlignedPagesLimit(0);  // no new block may be had now
  for (std::size_t i = 0; i < perBlock; ++i) slots[i] = static_cast<char*>(slab.Allocate());
  EXPECT_THROW(slab.Reserve(perBlock), CMemoryException);
  AfxSetAlignedPagesLimit(before);
  EXPECT_LE(slab.GetBlockCount(), reservedBlocks);
  for (std::size_t i = 0; i < perBlock; ++i) slab.Free(slots[i]);
  slab.ReleaseReservation();
  EXPECT_EQ(slab.GetBlockCount(), 0u);
  slab.Free(nullptr);
}

TEST(Framework, RectanglesFollowThePlatform) {
  CRect r(10, 20, 50, 60);
  r.InflateRect(-4, 0);
  EXPECT_EQ(r, CRect(14, 20, 46, 60));
  CRect i;
  EXPECT_FALSE(i.IntersectRect(CRect(0, 0, 10, 10), CRect(10, 0, 20, 10)));
  EXPECT_EQ(i, CRect());
  CRect u;
  u.UnionRect(CRect(), CRect(5, 5, 6, 6));
  EXPECT_EQ(u, CRect(5, 5, 6, 6));
  EXPECT_EQ(CPoint::FromLParam(MAKELPARAM(-5, 300)), CPoint(-5, 300));
}

TEST(Framework, SendMessageFromAnotherThreadWaitsForTheWindowThread) {
  CTzGridCtrl grid;
  Headless::HeadlessWindow window(grid, 100, 100);
  window.ClearRecords();
  std::atomic<bool> returned{false};
  std::thread sender([&] {
    window.SendMessage(WM_GETDLGCODE, 0, 0);
    returned = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  EXPECT_FALSE(returned.load());  // not handled until the window thread pumps
  EXPECT_TRUE(window.PumpUntil([&] { return returned.load(); }, 2000));
  sender.join();
  ASSERT_EQ(window.sentMessages.size(), 1u);
  EXPECT_EQ(window.sentMessages[0].message, WM_GETDLGCODE);
  // A destroyed window releases a waiting sender with 0.
  std::thread late([&] { EXPECT_EQ(window.SendMessage(WM_GETDLGCODE, 0, 0), 0); });
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  window.Destroy();
  late.join();
}

TEST(Framework, UnhandledMessagesReachDefaultProcessing) {
  CTzGridCtrl grid;
  Headless::HeadlessWindow window(grid, 100, 100);
  window.ClearRecords();
  EXPECT_EQ(window.Send(WM_NCHITTEST, 0, 0), HTCLIENT);
  EXPECT_EQ(window.Send(0x7777, 0, 0), 0);
  EXPECT_EQ(window.defaultCalls, (std::vector<UINT>{WM_NCHITTEST, 0x7777}));
  EXPECT_EQ(window.Send(WM_GETDLGCODE), LRESULT(0x83));
}

}  // namespace
}  // namespace TzGrid::Test
