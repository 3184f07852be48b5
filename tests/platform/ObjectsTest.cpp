#include <gtest/gtest.h>

#include <cstring>

#include "LeakCheck.h"
#include "platform/Objects.h"
#include "platform/Windows.h"

using platform::LiveObjectCount;
using platform::ObjectKind;

namespace {

class Objects : public PlatformTest {};

TEST_F(Objects, CountsLiveObjectsPerKindAndFreesThemOnDelete) {
  const std::size_t pens = LiveObjectCount(ObjectKind::Pen);
  const std::size_t brushes = LiveObjectCount(ObjectKind::Brush);
  HPEN pen = CreatePen(PS_SOLID, 1, RGB(1, 2, 3));
  HBRUSH brush = CreateSolidBrush(RGB(4, 5, 6));
  ASSERT_NE(pen, nullptr);
  ASSERT_NE(brush, nullptr);
  EXPECT_EQ(LiveObjectCount(ObjectKind::Pen), pens + 1);
  EXPECT_EQ(LiveObjectCount(ObjectKind::Brush), brushes + 1);
  EXPECT_TRUE(DeleteObject(pen));
  EXPECT_TRUE(DeleteObject(brush));
  EXPECT_EQ(LiveObjectCount(ObjectKind::Pen), pens);
}

TEST_F(Objects, ADeletedOrForeignHandleFailsCleanly) {
  HPEN pen = CreatePen(PS_SOLID, 1, 0);
  ASSERT_TRUE(DeleteObject(pen));
  SetLastError(0);
  EXPECT_FALSE(DeleteObject(pen));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  LOGPEN description;
  EXPECT_EQ(GetObject(pen, sizeof description, &description), 0);
  EXPECT_EQ(GetObjectType(pen), 0u);

  // A slot reused by a new object does not revive the old handle.
  HPEN next = CreatePen(PS_SOLID, 1, 0);
  EXPECT_NE(next, pen);
  EXPECT_FALSE(DeleteObject(pen));
  EXPECT_TRUE(DeleteObject(next));

  int local = 0;
  EXPECT_FALSE(DeleteObject(&local));
  EXPECT_FALSE(DeleteObject(reinterpret_cast<HGDIOBJ>(std::uintptr_t{0x12345})));
  EXPECT_FALSE(DeleteObject(nullptr));
}

TEST_F(Objects, AHandleOfTheWrongKindIsRefused) {
  HBRUSH brush = CreateSolidBrush(0);
  SetLastError(0);
  EXPECT_EQ(GetPaletteEntries(reinterpret_cast<HPALETTE>(brush), 0, 0, nullptr), 0u);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  EXPECT_EQ(SetTextColor(reinterpret_cast<HDC>(brush), 0), CLR_INVALID);
  EXPECT_TRUE(DeleteObject(brush));
}

TEST_F(Objects, StockObjectsSurviveDeleteObject) {
  HGDIOBJ black = GetStockObject(BLACK_PEN);
  ASSERT_NE(black, nullptr);
  EXPECT_TRUE(DeleteObject(black));
  EXPECT_EQ(GetObjectType(black), OBJ_PEN);
  EXPECT_EQ(GetStockObject(BLACK_PEN), black);
  for (int index : {WHITE_BRUSH, LTGRAY_BRUSH, GRAY_BRUSH, DKGRAY_BRUSH, BLACK_BRUSH, NULL_BRUSH})
    EXPECT_EQ(GetObjectType(GetStockObject(index)), OBJ_BRUSH) << index;
  EXPECT_EQ(GetObjectType(GetStockObject(SYSTEM_FONT)), OBJ_FONT);
  EXPECT_EQ(GetObjectType(GetStockObject(DEFAULT_PALETTE)), OBJ_PAL);
  EXPECT_EQ(GetStockObject(9), nullptr);
  EXPECT_EQ(GetStockObject(-1), nullptr);

  LOGBRUSH gray;
  ASSERT_EQ(GetObject(GetStockObject(LTGRAY_BRUSH), sizeof gray, &gray), static_cast<int>(sizeof gray));
  EXPECT_EQ(gray.lbColor, RGB(192, 192, 192));
  LOGPEN none;
  ASSERT_EQ(GetObject(GetStockObject(NULL_PEN), sizeof none, &none), static_cast<int>(sizeof none));
  EXPECT_EQ(none.lopnStyle, PS_NULL);
}

TEST_F(Objects, GetObjectDescribesPensBrushesAndFonts) {
  HPEN pen = CreatePen(PS_DOT, 3, RGB(10, 20, 30));
  LOGPEN lp{};
  EXPECT_EQ(GetObject(pen, 0, nullptr), static_cast<int>(sizeof(LOGPEN)));
  ASSERT_EQ(GetObject(pen, sizeof lp, &lp), static_cast<int>(sizeof lp));
  EXPECT_EQ(lp.lopnStyle, PS_DOT);
  EXPECT_EQ(lp.lopnWidth.x, 3);
  EXPECT_EQ(lp.lopnColor, RGB(10, 20, 30));

  const LOGBRUSH hatch{BS_HATCHED, RGB(1, 1, 1), HS_CROSS};
  HBRUSH brush = CreateBrushIndirect(&hatch);
  LOGBRUSH lb{};
  ASSERT_EQ(GetObject(brush, sizeof lb, &lb), static_cast<int>(sizeof lb));
  EXPECT_EQ(lb.lbStyle, BS_HATCHED);
  EXPECT_EQ(lb.lbHatch, static_cast<std::uintptr_t>(HS_CROSS));

  LOGFONTA wanted{};
  wanted.lfHeight = -12;
  wanted.lfWeight = FW_BOLD;
  wanted.lfCharSet = SHIFTJIS_CHARSET;
  std::strcpy(wanted.lfFaceName, "ＭＳ Ｐゴシック");
  HFONT font = CreateFontIndirect(&wanted);
  LOGFONTA got{};
  ASSERT_EQ(GetObject(font, sizeof got, &got), static_cast<int>(sizeof got));
  EXPECT_EQ(std::memcmp(&got, &wanted, sizeof got), 0);

  EXPECT_TRUE(DeleteObject(pen));
  EXPECT_TRUE(DeleteObject(brush));
  EXPECT_TRUE(DeleteObject(font));
}

TEST_F(Objects, RefusesToolsItCannotMake) {
  EXPECT_EQ(CreatePen(42, 1, 0), nullptr);
  const LOGBRUSH badHatch{BS_HATCHED, 0, 17};
  EXPECT_EQ(CreateBrushIndirect(&badHatch), nullptr);
  const LOGBRUSH deadPattern{BS_PATTERN, 0, 0x777};
  EXPECT_EQ(CreateBrushIndirect(&deadPattern), nullptr);
  EXPECT_EQ(CreateFontIndirect(nullptr), nullptr);
}

TEST_F(Objects, APatternBrushKeepsItsOwnCopyOfTheBitmap) {
  const BYTE rows[16] = {0xAA, 0, 0x55, 0, 0xAA, 0, 0x55, 0, 0xAA, 0, 0x55, 0, 0xAA, 0, 0x55, 0};
  HBITMAP pattern = CreateBitmap(8, 8, 1, 1, rows);
  const LOGBRUSH description{BS_PATTERN, 0, reinterpret_cast<std::uintptr_t>(pattern)};
  HBRUSH brush = CreateBrushIndirect(&description);
  ASSERT_NE(brush, nullptr);
  EXPECT_TRUE(DeleteObject(pattern));

  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP target = CreateCompatibleBitmap(screen, 4, 2);
  HGDIOBJ old = SelectObject(dc, target);
  const RECT all{0, 0, 4, 2};
  EXPECT_NE(FillRect(dc, &all, brush), 0);
  EXPECT_EQ(GetPixel(dc, 0, 0), RGB(255, 255, 255));
  EXPECT_EQ(GetPixel(dc, 1, 0), RGB(0, 0, 0));
  EXPECT_EQ(GetPixel(dc, 0, 1), RGB(0, 0, 0));
  SelectObject(dc, old);
  EXPECT_TRUE(DeleteObject(target));
  EXPECT_TRUE(DeleteDC(dc));
  ReleaseDC(nullptr, screen);
  EXPECT_TRUE(DeleteObject(brush));
}

TEST_F(Objects, ErrorsHaveTexts) {
  char text[256];
  const DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                 ERROR_NOT_ENOUGH_MEMORY, LOCALE_USER_DEFAULT, text, sizeof text, nullptr);
  ASSERT_GT(n, 0u);
  EXPECT_EQ(std::strlen(text), n);
  EXPECT_EQ(FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, 123456, 0, text, sizeof text, nullptr), 0u);
  EXPECT_EQ(FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, ERROR_INVALID_HANDLE, 0, text, 4, nullptr), 0u);
}

}  // namespace
