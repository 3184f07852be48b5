#include "framework/Screen.h"

#include <QApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QScreen>

TScreen* Screen = nullptr;

namespace {

std::optional<TRect> g_testWorkArea;

TRect ToRect(const QRect& r) { return Rect(r.left(), r.top(), r.left() + r.width(), r.top() + r.height()); }

const QScreen* MonitorHolding(std::optional<TPoint> near) {
  if (near) {
    if (const QScreen* screen = QGuiApplication::screenAt(QPoint(near->X, near->Y))) return screen;
  }
  return QGuiApplication::primaryScreen();
}

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

TRect ScreenWorkArea(std::optional<TPoint> near) {
  if (g_testWorkArea) return *g_testWorkArea;
  const QScreen* screen = MonitorHolding(near);
  return screen != nullptr ? ToRect(screen->availableGeometry()) : Rect(0, 0, 0, 0);
}

TRect MonitorRect(std::optional<TPoint> near) {
  if (g_testWorkArea) return *g_testWorkArea;
  const QScreen* screen = MonitorHolding(near);
  return screen != nullptr ? ToRect(screen->geometry()) : Rect(0, 0, 0, 0);
}

std::vector<TRect> Monitors() {
  std::vector<TRect> monitors;
  const QScreen* primary = QGuiApplication::primaryScreen();
  if (primary != nullptr) monitors.push_back(ToRect(primary->geometry()));
  for (const QScreen* screen : QGuiApplication::screens()) {
    if (screen != primary) monitors.push_back(ToRect(screen->geometry()));
  }
  return monitors;
}

void SetScreenWorkAreaForTesting(std::optional<TRect> area) { g_testWorkArea = area; }

}  // namespace framework
