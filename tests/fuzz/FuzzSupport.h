#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <cstddef>
#include <optional>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

// A broken property stops the run with the reason; libFuzzer then keeps the input as a
// crash artifact, so the case can be replayed with `fuzz_xxx artifact`.
#define FUZZ_CHECK(condition)                                                                  \
    do {                                                                                       \
        if (!(condition))                                                                      \
            fuzzFail(#condition, __FILE__, __LINE__);                                          \
    } while (false)

[[noreturn]] inline void fuzzFail(const char *condition, const char *file, int line)
{
    std::fprintf(stderr, "property violated: %s (%s:%d)\n", condition, file, line);
    std::abort();
}

// The program meets text in two byte forms (GBK from resources and kd.db, UTF-8 from the
// engine), and the engine hands over UTF-16 that may hold lone surrogates. The first byte of
// an input picks the form the rest is read in, so every path gets fuzzed: 'g' GBK (read with
// the program's own FromGbk), 'w' raw UTF-16LE, anything else UTF-8.
enum class TextForm { Utf8, Gbk, Utf16 };

struct FuzzInput
{
    TextForm form = TextForm::Utf8;
    QByteArray bytes; // everything after the form byte
};

FuzzInput splitFormByte(const uint8_t *data, size_t size);

// `bytes` as text in the given form.
QString decodeText(TextForm form, const QByteArray &bytes);

// A reading of the text the way the text list cuts it into lines, written independently of
// TTextList: breaks at CR, LF or CR LF, none added at the end, a NUL ends the text.
QStringList referenceLines(const QString &text);

// Characters up to U+0020 removed from both ends, written independently of TrimControls.
QString referenceTrim(const QString &text);

// Whether the UTF-16 unit at `index` is a surrogate without its partner.
bool isLoneSurrogate(const QString &text, qsizetype index);

// The records of CSV text read the way RFC 4180 writes them, written independently of the
// program's CSV writer: fields split at ",", records at CR LF, quoted fields with "" for a quote.
// Null when the text is not such CSV.
std::optional<QList<QStringList>> readCsv(const QString &text);
