// The vocabulary of keyboard and mouse input as the windows see it: the shift
// state, mouse buttons, virtual-key codes and the event signatures.
#pragma once

#include <cstdint>
#include <functional>

#include "runtime/Object.h"

// The modifier keys and mouse buttons held during an input event, as a set of
// bits: Shift 1, Alt 2, Ctrl 4, then the left, right and middle buttons and the
// double-click flag.
struct TShiftState {
  std::uint8_t Bits = 0;

  // True when every flag of other is in this set (an empty other gives true).
  constexpr bool Contains(TShiftState other) const { return (Bits & other.Bits) == other.Bits; }
  constexpr bool Empty() const { return Bits == 0; }
  friend constexpr TShiftState operator|(TShiftState a, TShiftState b) {
    return TShiftState{static_cast<std::uint8_t>(a.Bits | b.Bits)};
  }
  friend constexpr TShiftState operator&(TShiftState a, TShiftState b) {
    return TShiftState{static_cast<std::uint8_t>(a.Bits & b.Bits)};
  }
  friend constexpr bool operator==(TShiftState, TShiftState) = default;
};

inline constexpr TShiftState ssShift{1};
inline constexpr TShiftState ssAlt{2};
inline constexpr TShiftState ssCtrl{4};
inline constexpr TShiftState ssLeft{8};
inline constexpr TShiftState ssRight{16};
inline constexpr TShiftState ssMiddle{32};
inline constexpr TShiftState ssDouble{64};

enum TMouseButton : std::uint8_t { mbLeft, mbRight, mbMiddle };

// Virtual-key codes, as the desktop numbers its keys. Letters and digits are
// their upper-case ASCII codes ('A' 0x41, '0' 0x30); a shifted digit is its
// digit key with Shift held. Punctuation keys are named by where they sit on
// a US keyboard (VK_OEM_1 is the key of ";" and ":"). A key that makes a
// character the table does not name arrives as VK_PACKET, any other key
// without a code of its own as VK_NONAME: every key press reaches the form.
using TVirtualKey = std::uint16_t;
inline constexpr TVirtualKey VK_BACK = 0x08;
inline constexpr TVirtualKey VK_TAB = 0x09;
inline constexpr TVirtualKey VK_CLEAR = 0x0C;
inline constexpr TVirtualKey VK_RETURN = 0x0D;
inline constexpr TVirtualKey VK_SHIFT = 0x10;
inline constexpr TVirtualKey VK_CONTROL = 0x11;
inline constexpr TVirtualKey VK_MENU = 0x12;
inline constexpr TVirtualKey VK_PAUSE = 0x13;
inline constexpr TVirtualKey VK_CAPITAL = 0x14;
inline constexpr TVirtualKey VK_KANA = 0x15;
inline constexpr TVirtualKey VK_KANJI = 0x19;
inline constexpr TVirtualKey VK_ESCAPE = 0x1B;
inline constexpr TVirtualKey VK_CONVERT = 0x1C;
inline constexpr TVirtualKey VK_NONCONVERT = 0x1D;
inline constexpr TVirtualKey VK_SPACE = 0x20;
inline constexpr TVirtualKey VK_PRIOR = 0x21;
inline constexpr TVirtualKey VK_NEXT = 0x22;
inline constexpr TVirtualKey VK_END = 0x23;
inline constexpr TVirtualKey VK_HOME = 0x24;
inline constexpr TVirtualKey VK_LEFT = 0x25;
inline constexpr TVirtualKey VK_UP = 0x26;
inline constexpr TVirtualKey VK_RIGHT = 0x27;
inline constexpr TVirtualKey VK_DOWN = 0x28;
inline constexpr TVirtualKey VK_SNAPSHOT = 0x2C;
inline constexpr TVirtualKey VK_INSERT = 0x2D;
inline constexpr TVirtualKey VK_DELETE = 0x2E;
inline constexpr TVirtualKey VK_HELP = 0x2F;
inline constexpr TVirtualKey VK_LWIN = 0x5B;
inline constexpr TVirtualKey VK_APPS = 0x5D;
inline constexpr TVirtualKey VK_NUMPAD0 = 0x60;
inline constexpr TVirtualKey VK_MULTIPLY = 0x6A;
inline constexpr TVirtualKey VK_ADD = 0x6B;
inline constexpr TVirtualKey VK_SUBTRACT = 0x6D;
inline constexpr TVirtualKey VK_DECIMAL = 0x6E;
inline constexpr TVirtualKey VK_DIVIDE = 0x6F;
inline constexpr TVirtualKey VK_F1 = 0x70;
inline constexpr TVirtualKey VK_F12 = 0x7B;
inline constexpr TVirtualKey VK_F24 = 0x87;
inline constexpr TVirtualKey VK_NUMLOCK = 0x90;
inline constexpr TVirtualKey VK_SCROLL = 0x91;
inline constexpr TVirtualKey VK_OEM_1 = 0xBA;
inline constexpr TVirtualKey VK_OEM_PLUS = 0xBB;
inline constexpr TVirtualKey VK_OEM_COMMA = 0xBC;
inline constexpr TVirtualKey VK_OEM_MINUS = 0xBD;
inline constexpr TVirtualKey VK_OEM_PERIOD = 0xBE;
inline constexpr TVirtualKey VK_OEM_2 = 0xBF;
inline constexpr TVirtualKey VK_OEM_3 = 0xC0;
inline constexpr TVirtualKey VK_OEM_4 = 0xDB;
inline constexpr TVirtualKey VK_OEM_5 = 0xDC;
inline constexpr TVirtualKey VK_OEM_6 = 0xDD;
inline constexpr TVirtualKey VK_OEM_7 = 0xDE;
inline constexpr TVirtualKey VK_PACKET = 0xE7;
inline constexpr TVirtualKey VK_NONAME = 0xFC;

// Key down: Key may be changed by the handler; setting it to 0 keeps the key
// from the focused control.
using TKeyEvent = std::function<void(TObject* sender, TVirtualKey& key, TShiftState shift)>;
// Mouse press and release at (x, y) in the control's client coordinates.
using TMouseEvent =
    std::function<void(TObject* sender, TMouseButton button, TShiftState shift, int x, int y)>;
using TMouseMoveEvent = std::function<void(TObject* sender, TShiftState shift, int x, int y)>;
// The wheel turned by wheelDelta (120 a notch, positive away from the user)
// with the pointer at (x, y); a handler that sets handled keeps the turn from
// the controls below (a scroll box would scroll).
using TMouseWheelEvent =
    std::function<void(TObject* sender, TShiftState shift, int wheelDelta, int x, int y, bool& handled)>;
