#pragma once

#include <QList>

// Offers far below a comparison's median price are probable accessories: a search for 手机 also
// finds 手机壳 at ¥9.9, which would crowd the top of a cheapest-first table. Once at least
// MinOffers prices are known, a price below 1/Divisor of their median marks an accessory.
class TAccessoryRule
{
public:
    static constexpr int MinOffers = 5;
    static constexpr int Divisor = 5;

    // The prices of every offer of the comparison, in fen, in any order.
    void SetPrices(QList<qint64> prices);

    // Enough prices are known to judge any.
    bool Judges() const { return m_count >= MinOffers; }
    qint64 MedianFen() const { return m_medianFen; }
    bool IsAccessory(qint64 priceFen) const { return Judges() && priceFen * Divisor < m_medianFen; }

private:
    qsizetype m_count = 0;
    qint64 m_medianFen = 0;
};
