// How the desktop window lays out its page of four cards on a given screen.
#pragma once

namespace kesta {

inline constexpr int kCardsPerPage = 4;

// A card's frame, its style sheet's margin included.
inline constexpr int kCardWidth = 320;
inline constexpr int kCardHeight = 210;
// GTK's default theme pads every flow box child by this much on each side.
inline constexpr int kCardPadding = 3;
inline constexpr int kCardSpacing = 20;  // between the cards of a line
// The desktop window's border, on each side.
inline constexpr int kDesktopBorder = 10;

struct CardLayout {
  int per_line;       // cards side by side: 4, or 2 on narrower screens
  int area_width;     // size request of the card area
  int area_height;
  bool operator==(const CardLayout&) const = default;
};

// The layout for a monitor whose work area is work_width logical pixels
// wide.  Four cards in a line need 1,384 pixels; where they do not fit, the
// page wraps into two lines of two.
CardLayout card_layout(int work_width);

}  // namespace kesta
