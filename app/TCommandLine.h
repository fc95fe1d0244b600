#pragma once

#include <QCommandLineParser>
#include <QStringList>

#include <optional>

// The program's command-line options. They are looked at before the window system starts,
// so that --version and --help work without a display.
class TCommandLine
{
public:
    // Parses `arguments` (the program's name first).
    explicit TCommandLine(const QStringList &arguments);

    bool IsValid() const { return m_valid; }
    // What is wrong with the command line; empty when it is valid.
    QString ErrorText() const { return m_error; }
    bool VersionRequested() const;
    bool HelpRequested() const;

    // The batch comparison: --compare KEYWORD --shops NAMES --prices FILE [--wait SECONDS].
    bool BatchRequested() const;
    QString Keyword() const;
    QString Shops() const; // names of shops and categories, separated by ";"
    QString PricesFile() const;
    int WaitSeconds() const; // 60 unless given
    static constexpr int MaxWaitSeconds = 86400; // a day
    // --check-watches: the comparisons of the watched products are run once, each waiting at
    // most --wait seconds; one line per watched product is printed.
    bool CheckWatchesRequested() const;
    // --export-history FILE: the price history written as CSV; empty when not asked for.
    QString ExportHistoryFile() const;
    // A mode that ends by itself and needs no one at the window: it may run without a display.
    bool RunsUnattended() const;

    // What --version prints: the program's name and version.
    static QString VersionText();
    // What --help prints: how to start the program and every option.
    QString HelpText() const;

private:
    QCommandLineParser m_parser;
    QCommandLineOption m_help;
    QCommandLineOption m_version;
    QCommandLineOption m_compare;
    QCommandLineOption m_shops;
    QCommandLineOption m_prices;
    QCommandLineOption m_wait;
    QCommandLineOption m_checkWatches;
    QCommandLineOption m_exportHistory;
    QString m_programName;
    QString m_error;
    bool m_valid = false;
};

// Answers the options that end the program before its window opens. Prints the version, the
// help, or what is wrong with the command line (to standard error) and returns the exit code;
// returns nothing when the program is to start. Before the application object exists, pass
// `strict` false: a command line that does not parse may still hold Qt's own options
// (-style, -platform, ...), so it is judged again, strictly, once Qt has taken them out.
std::optional<int> AnswerCommandLine(const QStringList &arguments, bool strict);

// The command line as the program received it, before any application object exists.
QStringList CommandLineArguments(int argc, char *argv[]);
