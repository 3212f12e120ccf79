#pragma once
// Mouse events: which button, which modifier keys and buttons were down, and where (screen
// or client coordinates, as the raising component documents).

#include <cstdint>
#include <functional>
#include <initializer_list>

class TComponent;

enum TMouseButton { mbLeft, mbRight, mbMiddle };

// Members of a shift state; the value is the member's bit number.
enum TShiftFlag : uint8_t { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble };

class TShiftState {
 public:
  constexpr TShiftState() = default;
  constexpr TShiftState(std::initializer_list<TShiftFlag> flags) {
    for (TShiftFlag f : flags) bits_ = static_cast<uint8_t>(bits_ | Bit(f));
  }

  constexpr bool Contains(TShiftFlag f) const { return (bits_ & Bit(f)) != 0; }
  constexpr TShiftState& operator+=(TShiftFlag f) {
    bits_ = static_cast<uint8_t>(bits_ | Bit(f));
    return *this;
  }
  constexpr TShiftState operator+(TShiftFlag f) const {
    TShiftState s = *this;
    s += f;
    return s;
  }
  constexpr bool Empty() const { return bits_ == 0; }
  // Bit n is set for the member whose value is n.
  constexpr uint8_t Bits() const { return bits_; }
  constexpr bool operator==(const TShiftState& other) const { return bits_ == other.bits_; }
  constexpr bool operator!=(const TShiftState& other) const { return bits_ != other.bits_; }

 private:
  static constexpr uint8_t Bit(TShiftFlag f) { return static_cast<uint8_t>(1u << f); }
  uint8_t bits_ = 0;
};

using TMouseEvent =
    std::function<void(TComponent* sender, TMouseButton button, TShiftState shift, int x, int y)>;
using TMouseMoveEvent = std::function<void(TComponent* sender, TShiftState shift, int x, int y)>;
