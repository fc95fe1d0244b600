#pragma once

#include <QString>

#include <optional>

// Prices as shops write them, read into whole fen (hundredths of a yuan) so that sorting and
// writing them out never meets a rounding question.
//
// Read: "¥1,299.00", "￥ 99", "99.00元", "RMB 99", full-width digits, "1.2万" (12000), a range
// "¥99-199" (its low end). When the text holds a currency mark, the number right after the
// first one counts; otherwise the number before "元", otherwise the first number. Zero,
// negative amounts, text without a number and amounts above 10^8 yuan are no price.
std::optional<qint64> ParsePriceFen(const QString &text);

// The largest price the program believes, in fen.
constexpr qint64 kMaxPriceFen = qint64(100000000) * 100;

// A price as a plain decimal number: "." before the fen, no currency sign, no thousands
// separator, no trailing zeros after the point ("1299", "99.5", "0.99").
QString PriceText(qint64 fen);
