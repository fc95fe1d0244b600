#include "TAccessoryRule.h"

#include <algorithm>

void TAccessoryRule::SetPrices(QList<qint64> prices)
{
    // The upper median of an even count: the rule leans towards keeping offers.
    std::sort(prices.begin(), prices.end());
    m_count = prices.size();
    m_medianFen = prices.isEmpty() ? 0 : prices.at(prices.size() / 2);
}
