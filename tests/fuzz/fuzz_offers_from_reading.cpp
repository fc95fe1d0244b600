// The offers of a reading, from whatever the reading script could hand back. Input: JSON text
// (UTF-8); the seeds are real readings, so mutations of them reach every way of reading.

#include "FuzzSupport.h"
#include "TOfferReading.h"
#include "TPriceParser.h"

namespace {

constexpr int kMaxNameLength = 300;

bool isWebAddress(const QUrl &url)
{
    return url.isValid() && !url.host().isEmpty()
        && (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https"));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString json = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const QList<TOffer> offers = OffersFromReading(json, QStringLiteral("店"));
    for (const TOffer &o : offers) {
        FUZZ_CHECK(o.Shop == QStringLiteral("店"));
        FUZZ_CHECK(!o.Name.isEmpty() && o.Name.size() <= kMaxNameLength);
        FUZZ_CHECK(o.Name == o.Name.simplified()); // one line, no blanks around it
        FUZZ_CHECK(o.PriceFen > 0 && o.PriceFen <= kMaxPriceFen);
        FUZZ_CHECK(isWebAddress(o.Address));
        FUZZ_CHECK(o.Picture.isEmpty() || isWebAddress(o.Picture));
    }
    // The same reading gives the same offers.
    const QList<TOffer> again = OffersFromReading(json, QStringLiteral("店"));
    FUZZ_CHECK(again.size() == offers.size());
    for (qsizetype i = 0; i < offers.size(); ++i)
        FUZZ_CHECK(again.at(i).Name == offers.at(i).Name && again.at(i).Address == offers.at(i).Address
                   && again.at(i).PriceFen == offers.at(i).PriceFen);
    return 0;
}
