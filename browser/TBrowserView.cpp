#include "TBrowserView.h"

#include "TBrowserHooks.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QPageSetupDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QTimer>
#include <QWebEngineDownloadRequest>
#include <QWebEngineHistory>
#include <QWebEngineView>

#include <algorithm>
#include <cstring>
#include <iterator>

namespace {
const QString kDefaultSaveTitle = QStringLiteral("Browser - Save Dialog");
const QString kDefaultSaveFilter = QStringLiteral("网页 (*.htm *.html);;文本和文档 (*.txt *.doc *.rtf);;"
                                                  "XML 文件 (*.xml);;所有文件 (*)");

bool IsHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

// A filter given as "text|pattern|text|pattern" becomes Qt's "text (pattern);;...".
QString QtNameFilter(const QString &filter)
{
    if (!filter.contains(QLatin1Char('|')))
        return filter;
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts.at(i + 1);
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        filters.append(parts.at(i) + QStringLiteral(" (") + patterns + QLatin1Char(')'));
    }
    return filters.join(QStringLiteral(";;"));
}
} // namespace

QUrl BrowserAddressToUrl(const QString &address)
{
    // The program's addresses are GBK text, and their non-ASCII characters travel as GBK
    // bytes. QUrl would encode them as UTF-8 (or as U+FFFD from raw GBK), so the escaping is
    // done here and QUrl gets pure ASCII.
    static const char hex[] = "0123456789ABCDEF";
    const QByteArray raw = ToGbk(address);
    QByteArray escaped;
    escaped.reserve(raw.size() * 3);
    for (qsizetype i = 0; i < raw.size(); ++i) {
        const char c = raw.at(i);
        const uchar b = uchar(c);
        const bool strayPercent = c == '%' && !(i + 2 < raw.size() && IsHexDigit(raw.at(i + 1)) && IsHexDigit(raw.at(i + 2)));
        if (b > 0x20 && b < 0x7F && !std::strchr("\"<>\\^`{|}", c) && !strayPercent) {
            escaped += c;
        } else {
            escaped += '%';
            escaped += hex[b >> 4];
            escaped += hex[b & 15];
        }
    }
    QUrl url = QUrl::fromEncoded(escaped, QUrl::StrictMode);
    if (url.isValid() && url.scheme().isEmpty())
        url = QUrl::fromEncoded("http://" + escaped, QUrl::StrictMode);
    const QString scheme = url.scheme();
    const bool needsHost = scheme == QLatin1String("http") || scheme == QLatin1String("https")
            || scheme == QLatin1String("ftp");
    if (!url.isValid() || (needsHost && url.host().isEmpty()))
        return QUrl();
    return url;
}

TBrowserView::TBrowserView(QWidget *parent) : TCustomBrowserView(parent) { }

TBrowserView::~TBrowserView()
{
    m_destroying = true;
    ReleaseEngine();
}

int TBrowserView::zoom() const
{
    const QWebEngineView *view = EngineView();
    return view ? qRound(view->zoomFactor() * 100) : m_zoom;
}

int TBrowserView::ZoomLevel(int percent, int steps)
{
    static const int levels[] = {25, 33, 50, 67, 75, 80, 90, 100, 110, 125, 150, 175, 200, 250, 300, 400, 500};
    const int *first = std::begin(levels), *last = std::end(levels);
    for (; steps > 0; --steps) {
        const int *next = std::upper_bound(first, last, percent);
        percent = next == last ? last[-1] : *next;
    }
    for (; steps < 0; ++steps) {
        const int *next = std::lower_bound(first, last, percent);
        percent = next == first ? *first : next[-1];
    }
    return percent;
}

void TBrowserView::setZoom(int percent)
{
    m_zoom = qBound(25, percent, 500); // the engine's range
    if (QWebEngineView *view = EngineView())
        view->setZoomFactor(m_zoom / 100.0);
}

void TBrowserView::setHTMLCode(const TTextList &code)
{
    if (code.lines() == m_htmlCode.lines())
        return;
    m_htmlCode = code;
    if (!m_htmlCode.isEmpty())
        LoadFromStrings(m_htmlCode);
}

void TBrowserView::InitializeView()
{
    if (DisableErrors.ScriptErrorsSuppressed)
        ScriptErrorAction = eaContinue;
    SetFpExceptions(DisableErrors.fpExceptions);
    if (!m_htmlCode.isEmpty())
        LoadFromStrings(m_htmlCode);
}

void TBrowserView::EngineCreated(QWebEngineView *view)
{
    TCustomBrowserView::EngineCreated(view);
    // The settings are usually made after InitializeView(); the engine starts later.
    SetFpExceptions(DisableErrors.fpExceptions);
    view->setZoomFactor(m_zoom / 100.0);
}

bool TBrowserView::Navigate(const QString &Address, quint32 TimeOut)
{
    if (TrimControls(Address).isEmpty())
        return true;
    const QFileInfo local(Address);
    QUrl url;
    if (local.isDir() || (local.isAbsolute() && local.isFile()))
        url = QUrl::fromLocalFile(local.absoluteFilePath());
    else
        url = BrowserAddressToUrl(Address);
    if (!url.isValid())
        throw TBrowserError(QStringLiteral("无法打开网址：") + Address);

    if (m_destroying)
        return false;
    if (url.scheme() == QLatin1String("javascript")) {
        QWebEngineView *view = Engine();
        if (!view)
            return false;
        // Runs in the current document; the engine would load nothing for it.
        const QByteArray script = QByteArray::fromPercentEncoding(url.toEncoded().mid(int(std::strlen("javascript:"))));
        view->page()->runJavaScript(FromGbk(script));
        return true;
    }
    // A first page waits for its turn in the load queue; a caller who waits for the page
    // would wait for the queue as well, so it loads at once.
    LoadUrl(url, TimeOut > 0);
    return TimeOut == 0 || WaitUntilReady(TimeOut);
}

int TBrowserView::LoadFromStrings(const TTextList &Strings)
{
    ShowDocumentBytes(ToGbk(Strings.text()));
    return HasEngine() ? 0 : 1;
}

void TBrowserView::GoBack()
{
    QWebEngineView *view = EngineView();
    if (!view || !view->history()->canGoBack())
        return;
    NavigationIssued();
    view->back();
}

void TBrowserView::GoForward()
{
    QWebEngineView *view = EngineView();
    if (!view || !view->history()->canGoForward())
        return;
    NavigationIssued();
    view->forward();
}

void TBrowserView::Stop()
{
    m_stopMark = true;
    if (QWebEngineView *view = EngineView())
        view->stop();
    NavigationStopped();
}

void TBrowserView::Refresh()
{
    if (HasDocument())
        ReloadDocument();
}

void TBrowserView::PrintPreview()
{
    if (!HasDocument() || m_printDialogOpen || !EngineView())
        return;
    QPointer<TBrowserView> self(this);
    QPointer<QPrintPreviewDialog> dialog = new QPrintPreviewDialog(this);
    if (m_pageLayout.isValid())
        dialog->printer()->setPageLayout(m_pageLayout);
    connect(dialog, &QPrintPreviewDialog::paintRequested, this, &TBrowserView::printTo);
    m_printDialogOpen = true;
    dialog->exec();
    if (!self)
        return; // the dialog went with this view
    m_printDialogOpen = false;
    delete dialog;
}

void TBrowserView::printTo(QPrinter *printer)
{
    // A second print() while one runs never finishes: a repaint asked for meanwhile is skipped.
    QWebEngineView *view = EngineView();
    if (!view || m_printing)
        return;
    QPointer<TBrowserView> self(this);
    m_printing = true;
    QEventLoop loop;
    connect(view, &QWebEngineView::printFinished, &loop, &QEventLoop::quit);
    connect(view, &QObject::destroyed, &loop, &QEventLoop::quit);
    view->print(printer);
    loop.exec();
    if (self)
        m_printing = false;
}

bool TBrowserView::PageSetup(bool UsePrintOptions)
{
    Q_UNUSED(UsePrintOptions); // no print options of its own: the dialog shows the last choice
    QPointer<TBrowserView> self(this);
    WaitUntilReady(0);
    if (!self || !HasDocument() || m_printDialogOpen)
        return false;
    QPointer<QPageSetupDialog> dialog = new QPageSetupDialog(this);
    if (m_pageLayout.isValid())
        dialog->printer()->setPageLayout(m_pageLayout);
    m_printDialogOpen = true;
    const int result = dialog->exec();
    if (!self)
        return false;
    m_printDialogOpen = false;
    if (dialog && result == QDialog::Accepted)
        m_pageLayout = dialog->printer()->pageLayout();
    delete dialog;
    return true;
}

void TBrowserView::ShowSaveDialog(const QString &Filter, const QString &Title, QString &FileName)
{
    QPointer<TBrowserView> self(this);
    QPointer<QFileDialog> dialog = new QFileDialog(this, Title.isEmpty() ? kDefaultSaveTitle : Title);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setNameFilter(Filter.isEmpty() ? kDefaultSaveFilter : QtNameFilter(Filter));
    dialog->setOption(QFileDialog::DontConfirmOverwrite);
    const int result = dialog->exec();
    if (!self)
        return;
    QString chosen;
    if (dialog && result == QDialog::Accepted && !dialog->selectedFiles().isEmpty())
        chosen = dialog->selectedFiles().constFirst();
    delete dialog;
    if (chosen.isEmpty())
        return;
    FileName = chosen;
    SaveToFile(chosen);
}

int TBrowserView::SaveToFile(const QString &FileName)
{
    QPointer<TBrowserView> self(this);
    WaitUntilReady(0);
    if (!self || !Document())
        return 1;
    if (!QFileInfo(FileName).absoluteDir().exists())
        return 2;
    // The engine writes the file in the background; the markup as it arrived, GBK included.
    Document()->save(FileName, QWebEngineDownloadRequest::SingleHtmlSaveFormat);
    return 0;
}

bool TBrowserView::WaitUntilReady(quint32 TimeOut)
{
    // Waiting for a page that waits in the load queue could take as long as the queue: it
    // loads now.
    LoadQueuedNow();
    if (!HasEngine())
        return true;
    QPointer<TBrowserView> self(this);
    QElapsedTimer clock;
    clock.start();
    const qint64 startTime = clock.msecsSinceReference();
    bool cancel = false;
    bool abort = false;
    while (!m_destroying && HasDocument() && ReadyState() != rsComplete) {
        if (!Raise(OnBusyWait, this, startTime, TimeOut, cancel))
            return false;
        abort = m_stopMark || cancel || (TimeOut > 0 && clock.elapsed() > qint64(TimeOut));
        if (abort)
            break;
        // One pass: what is pending now, or whatever arrives within a millisecond. Any handler
        // of the program may run here, including one that destroys this view.
        QEventLoop pass;
        QTimer::singleShot(1, &pass, &QEventLoop::quit);
        connect(this, &TBrowserHost::busyChanged, &pass, &QEventLoop::quit);
        const bool quitting = pass.exec() < 0 || QCoreApplication::closingDown();
        if (!self)
            return false;
        if (quitting)
            break;
    }
    m_stopMark = false;
    return !abort && !m_destroying;
}
