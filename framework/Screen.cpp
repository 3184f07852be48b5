#include "framework/Screen.h"

#include <QApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QScreen>

TScreen* Screen = nullptr;

namespace {

std::optional<TRect> g_testWorkArea;

TRect ToRect(const QRect& r) { return Rect(r.left(), r.top(), r.left() + r.width(), r.top() + r.height()); }

Qt::CursorShape ShapeOf(TCursor cursor) {
  switch (cursor) {
    case crNone: return Qt::BlankCursor;
    case crCross: return Qt::CrossCursor;
    case crIBeam: return Qt::IBeamCursor;
    case crSizeNESW: return Qt::SizeBDiagCursor;
    case crSizeNS: return Qt::SizeVerCursor;
    case crSizeNWSE: return Qt::SizeFDiagCursor;
    case crSizeWE: return Qt::SizeHorCursor;
    case crUpArrow: return Qt::UpArrowCursor;
    case crHourGlass: return Qt::WaitCursor;
    case crNo: return Qt::ForbiddenCursor;
    case crAppStart: return Qt::BusyCursor;
    case crHandPoint: return Qt::PointingHandCursor;
    case crSizeAll: return Qt::SizeAllCursor;
    default: return Qt::ArrowCursor;
  }
}

}  // namespace

TScreen::TScreen(TComponent* owner) : TComponent(owner) {}

TScreen::~TScreen() {
  if (cursor_ != crDefault && QGuiApplication::instance() != nullptr) QGuiApplication::restoreOverrideCursor();
}

void TScreen::SetCursor(TCursor value) {
  if (value == cursor_) return;
  // One override cursor at most is ours on Qt's stack: replace it, or pop it
  // for crDefault.
  if (QGuiApplication::instance() != nullptr) {
    if (value == crDefault) {
      QGuiApplication::restoreOverrideCursor();
    } else if (cursor_ == crDefault) {
      QGuiApplication::setOverrideCursor(QCursor(ShapeOf(value)));
    } else {
      QGuiApplication::changeOverrideCursor(QCursor(ShapeOf(value)));
    }
  }
  cursor_ = value;
}

int TScreen::Width() const {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen != nullptr ? screen->geometry().width() : 0;
}

int TScreen::Height() const {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen != nullptr ? screen->geometry().height() : 0;
}

TRect TScreen::WorkAreaRect() const { return framework::ScreenWorkArea(); }

namespace framework {

TRect ScreenWorkArea() {
  if (g_testWorkArea) return *g_testWorkArea;
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return Rect(0, 0, 0, 0);
  return ToRect(screen->availableGeometry());
}

TRect MonitorRect() {
  if (g_testWorkArea) return *g_testWorkArea;
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return Rect(0, 0, 0, 0);
  return ToRect(screen->geometry());
}

void SetScreenWorkAreaForTesting(std::optional<TRect> area) { g_testWorkArea = area; }

}  // namespace framework
