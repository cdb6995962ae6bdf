#pragma once

#include <QImage>
#include <QList>
#include <QSize>

// A test's balance curve as a small picture for a chat bubble, drawn off screen.
namespace BalanceChart {

// In device-independent pixels.
inline constexpr QSize kSize{360, 160};

// The balance after each closing deal, the deposit first, with the deposit as a dashed line;
// devicePixelRatio pixels per device-independent one. A null image for fewer than two values:
// there is no curve to draw.
QImage render(const QList<double> &balance, qreal devicePixelRatio);

} // namespace BalanceChart
