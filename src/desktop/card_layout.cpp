#include "desktop/card_layout.h"

namespace kesta {

namespace {

constexpr int line_width(int cards) {
  return cards * (kCardWidth + 2 * kCardPadding) + (cards - 1) * kCardSpacing;
}

}  // namespace

CardLayout card_layout(int work_width) {
  if (work_width >= line_width(4) + 2 * kDesktopBorder) return {4, 934, 250};
  // Exactly the two lines: a wider area would stretch the cards.
  return {2, line_width(2), 2 * (kCardHeight + 2 * kCardPadding)};
}

}  // namespace kesta
