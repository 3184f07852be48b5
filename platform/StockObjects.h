// The stock objects: made once at start-up, shared by every caller, never
// deleted by DeleteObject.
#pragma once

#include "platform/Windows.h"

namespace platform {

// Makes every stock object; returns false when one cannot be made.
bool CreateStockObjects();
// Forgets the stock handles (the object table frees the objects themselves).
void ForgetStockObjects();

// The stock object for a GetStockObject index, or null for an unknown index.
HGDIOBJ StockObject(int index);
// The 1 x 1 monochrome bitmap every new memory device context holds.
HBITMAP StockBitmap();

}  // namespace platform
