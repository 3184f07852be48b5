#include "platform/Platform.h"

#include "platform/Clipboard.h"
#include "platform/GlobalMemory.h"
#include "platform/Objects.h"
#include "platform/StockObjects.h"
#include "platform/Text.h"

namespace platform {

void Startup() {
  if (Objects() != nullptr) return;
  CreateObjectTable();
  CreateStockObjects();
  TextStartup();
}

void Shutdown() {
  if (Objects() == nullptr) return;
  // The clipboard's data lives in the object table and in memory blocks.
  ClipboardShutdown();
  FreeAllGlobals();
  ForgetAllWindows();
  TextShutdown();
  ForgetStockObjects();
  // Everything still alive, stock or leaked, goes with the table.
  DestroyObjectTable();
}

}  // namespace platform
