#pragma once

#include "THistoryRecords.h"

class QIODevice;

// Reads the price history's file on the calling thread through a read-only connection of its
// own: a product's prices for its chart, and every observation for the export. The history's
// writes go on meanwhile (WAL); a reader sees the file as it was when its read began.
class THistoryReader
{
public:
    explicit THistoryReader(const QString &path);
    ~THistoryReader();
    THistoryReader(const THistoryReader &) = delete;
    THistoryReader &operator=(const THistoryReader &) = delete;

    bool IsOpen() const { return m_open; }
    QString ErrorText() const { return m_error; } // why the last read failed, in words

    // Every price of the product, oldest first; empty when it was never seen or the file cannot
    // be read.
    QList<TPricePoint> Points(const QString &key);
    // Every observation as CSV (UTF-8 with a byte-order mark, the header
    // 时间,关键词,网店,商品,同款键,价格,地址, one row per observation in the order of the
    // comparisons, the time local), written into `file` piece by piece; false on a failed read or
    // write.
    bool WriteCsv(QIODevice &file);

private:
    QString m_name;
    bool m_open = false;
    QString m_error;
};
