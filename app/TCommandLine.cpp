#include "TCommandLine.h"

#include <QFileInfo>

#include <cstdio>

TCommandLine::TCommandLine(const QStringList &arguments)
    : m_help({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this help and exit.")),
      m_version(
          {QStringLiteral("v"), QStringLiteral("version")}, QStringLiteral("Show the version and exit.")),
      m_compare(QStringLiteral("compare"),
          QStringLiteral("Compare KEYWORD in the shops of --shops, write the offers found to the --prices "
                         "file and exit."),
          QStringLiteral("KEYWORD")),
      m_shops(QStringLiteral("shops"),
          QStringLiteral("Shops and categories of the catalogue to compare, separated by \";\" "
                         "(a category stands for all its shops)."),
          QStringLiteral("NAMES")),
      m_prices(QStringLiteral("prices"),
          QStringLiteral("The CSV file to write the offers to (UTF-8, cheapest first)."), QStringLiteral("FILE")),
      m_wait(QStringLiteral("wait"),
          QStringLiteral("Wait at most SECONDS for the shops' pages to be read (default 60). Exit status: "
                         "0 every shop read, 1 some not read in time, 2 bad arguments."),
          QStringLiteral("SECONDS"), QStringLiteral("60")),
      m_checkWatches(QStringLiteral("check-watches"),
          QStringLiteral("Run the comparisons of the watched products once, store their prices in the "
                         "history, notify of prices below their targets, print one line per watched "
                         "product and exit (statuses as for --compare).")),
      m_exportHistory(QStringLiteral("export-history"),
          QStringLiteral("Write every price of the history to FILE as CSV (UTF-8) and exit."), QStringLiteral("FILE"))
{
    m_parser.setApplicationDescription(
        QStringLiteral("Vanzu小精灵V2: compare what online shops offer for a product, each shop's\n"
                       "search results in a tab of its own."));
    // "-style" is one option as Qt reads it, not the letters s, t, y, l, e.
    m_parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    m_parser.addOption(m_help);
    m_parser.addOption(m_version);
    m_parser.addOptions({m_compare, m_shops, m_prices, m_wait, m_checkWatches, m_exportHistory});
    m_programName = QFileInfo(arguments.value(0, QStringLiteral("vanzu"))).fileName();
    // What follows --webEngineArgs is the web engine's own.
    m_valid = m_parser.parse(arguments.mid(0, arguments.indexOf(QLatin1String("--webEngineArgs"))));
    if (!m_valid) {
        m_error = m_parser.errorText();
    } else if (!m_parser.positionalArguments().isEmpty()) {
        // The program takes no file or address to open.
        m_valid = false;
        m_error
            = QStringLiteral("Unexpected argument '%1'.").arg(m_parser.positionalArguments().constFirst());
    } else if (int(BatchRequested()) + int(CheckWatchesRequested()) + int(m_parser.isSet(m_exportHistory)) > 1) {
        m_valid = false;
        m_error = QStringLiteral("Only one of '--compare', '--check-watches' and '--export-history' at a time.");
    } else if (m_parser.isSet(m_exportHistory) && ExportHistoryFile().trimmed().isEmpty()) {
        m_valid = false;
        m_error = QStringLiteral("Missing value for '--export-history'.");
    } else if (BatchRequested() || (m_parser.isSet(m_wait) && !CheckWatchesRequested())) {
        // A batch comparison needs all three; each names something that must not be blank.
        for (const QCommandLineOption *option : {&m_compare, &m_shops, &m_prices}) {
            if (m_parser.value(*option).trimmed().isEmpty()) {
                m_valid = false;
                m_error = QStringLiteral("Missing value for '--%1'.").arg(option->names().constFirst());
                return;
            }
        }
    }
    if (m_valid && m_parser.isSet(m_wait)) {
        bool number = false;
        const int seconds = m_parser.value(m_wait).toInt(&number);
        if (!number || seconds < 1 || seconds > MaxWaitSeconds) {
            m_valid = false;
            m_error = QStringLiteral("'--wait' needs a whole number of seconds from 1 to %1, not '%2'.")
                          .arg(MaxWaitSeconds)
                          .arg(m_parser.value(m_wait));
        }
    }
}

bool TCommandLine::BatchRequested() const
{
    return m_parser.isSet(m_compare) || m_parser.isSet(m_shops) || m_parser.isSet(m_prices);
}

bool TCommandLine::CheckWatchesRequested() const
{
    return m_parser.isSet(m_checkWatches);
}

QString TCommandLine::ExportHistoryFile() const
{
    return m_parser.value(m_exportHistory);
}

bool TCommandLine::RunsUnattended() const
{
    return BatchRequested() || CheckWatchesRequested() || m_parser.isSet(m_exportHistory);
}

QString TCommandLine::Keyword() const
{
    return m_parser.value(m_compare);
}

QString TCommandLine::Shops() const
{
    return m_parser.value(m_shops);
}

QString TCommandLine::PricesFile() const
{
    return m_parser.value(m_prices);
}

int TCommandLine::WaitSeconds() const
{
    return m_parser.value(m_wait).toInt();
}

bool TCommandLine::VersionRequested() const
{
    return m_parser.isSet(m_version);
}

bool TCommandLine::HelpRequested() const
{
    return m_parser.isSet(m_help);
}

QString TCommandLine::VersionText()
{
    return QStringLiteral("Vanzu小精灵V2 " VANZU_VERSION "\n");
}

QString TCommandLine::HelpText() const
{
    // Before the application object exists Qt does not know the program's name.
    QString text = m_parser.helpText();
    text.replace(QLatin1String("<executable_name>"), m_programName);
    return text;
}

namespace {
void print(FILE *stream, const QString &text)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fflush(stream);
}
} // namespace

std::optional<int> AnswerCommandLine(const QStringList &arguments, bool strict)
{
    const TCommandLine commandLine(arguments);
    if (commandLine.HelpRequested()) {
        print(stdout, commandLine.HelpText());
        return 0;
    }
    if (commandLine.VersionRequested()) {
        print(stdout, TCommandLine::VersionText());
        return 0;
    }
    if (strict && !commandLine.IsValid()) {
        print(stderr,
            QStringLiteral("%1: %2\nTry '%1 --help' for the options.\n")
                .arg(QFileInfo(arguments.value(0, QStringLiteral("vanzu"))).fileName(),
                    commandLine.ErrorText()));
        return 2;
    }
    return std::nullopt;
}

QStringList CommandLineArguments(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    return arguments;
}
