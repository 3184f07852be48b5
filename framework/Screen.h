// The screen: its size and work area, and the mouse cursor shown over every
// window of the program.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "graphics/Types.h"
#include "runtime/Component.h"

using TCursor = std::int16_t;
inline constexpr TCursor crDefault = 0;
inline constexpr TCursor crNone = -1;
inline constexpr TCursor crArrow = -2;
inline constexpr TCursor crCross = -3;
inline constexpr TCursor crIBeam = -4;
inline constexpr TCursor crSizeNESW = -6;
inline constexpr TCursor crSizeNS = -7;
inline constexpr TCursor crSizeNWSE = -8;
inline constexpr TCursor crSizeWE = -9;
inline constexpr TCursor crUpArrow = -10;
inline constexpr TCursor crHourGlass = -11;
inline constexpr TCursor crNo = -18;
inline constexpr TCursor crAppStart = -19;
inline constexpr TCursor crHandPoint = -21;
inline constexpr TCursor crSizeAll = -22;

class TScreen : public TComponent {
  KIRITORI_CLASS(TScreen, TComponent)

  explicit TScreen(TComponent* owner = nullptr);
  // Gives back the default cursor if another one is set.
  ~TScreen() override;

  // The cursor every window shows; crDefault lets each control show its own.
  TCursor Cursor() const { return cursor_; }
  void SetCursor(TCursor value);

  // The primary screen's size, in the logical pixels windows are laid out in.
  int Width() const;
  int Height() const;
  // The part of the screen windows may use (without task bars and panels).
  TRect WorkAreaRect() const;

 private:
  TCursor cursor_ = crDefault;
};

// The process-wide screen object, made by framework::Startup; null before it
// and after framework::Shutdown.
extern TScreen* Screen;

namespace framework {
// The work area as the windows see it: the available area of the monitor that
// holds near, in logical pixels (the primary monitor's without near, or when
// no monitor holds it), unless a test replaced it.
TRect ScreenWorkArea(std::optional<TPoint> near = std::nullopt);
// The whole monitor that holds near, as ScreenWorkArea picks it: its
// geometry, or the area a test gave SetScreenWorkAreaForTesting, so that a
// test describes one monitor in one call.
TRect MonitorRect(std::optional<TPoint> near = std::nullopt);
// Every monitor's whole area in logical pixels, the primary one first.
std::vector<TRect> Monitors();
// Makes ScreenWorkArea and MonitorRect answer area (tests only); nullopt
// gives the real ones back.
void SetScreenWorkAreaForTesting(std::optional<TRect> area);
}  // namespace framework
