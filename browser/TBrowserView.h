#pragma once

#include "TCustomBrowserView.h"
#include "U_Pub.h"

#include <QPageLayout>

class QPrinter;

// Error settings of a view, applied when it initialises and when its engine starts.
struct TDisableErrors
{
    // true: the thread's floating-point environment saved at the start of the process;
    // false: all floating-point exceptions masked.
    bool fpExceptions = true;
    // true: InitializeView() answers script errors with eaContinue.
    bool ScriptErrorsSuppressed = true;
};

// The browser view of a tab: the operations and settings the program uses.
class TBrowserView : public TCustomBrowserView
{
    Q_OBJECT
    Q_PROPERTY(int zoom READ zoom WRITE setZoom)

public:
    explicit TBrowserView(QWidget *parent = nullptr);
    ~TBrowserView() override;

    TDisableErrors DisableErrors;

    // Percent, as the page is shown (Ctrl+wheel in the page changes it too).
    int zoom() const;
    void setZoom(int percent);
    // The engine's usual zoom level `steps` levels above (below, when negative) `percent`.
    static int ZoomLevel(int percent, int steps);
    // Markup shown as the document whenever it changes to a non-empty text.
    const TTextList &HTMLCode() const { return m_htmlCode; }
    void setHTMLCode(const TTextList &code);

    // Applies the settings; called once, right after creation.
    void InitializeView();
    // Opens `Address` (GBK text, not trimmed) in this view. An existing directory opens as
    // its file: address; empty or blank text does nothing. With a non-zero time-out (ms)
    // the result is that of WaitUntilReady(TimeOut). Throws TBrowserError when the address
    // cannot be opened.
    bool Navigate(const QString &Address, quint32 TimeOut);
    // Shows the lines (GBK, each followed by CR LF) as a document whose address is
    // "about:blank". 0 when the document was handed to the engine.
    int LoadFromStrings(const TTextList &Strings);
    void GoBack();
    void GoForward();
    // Stops the engine and sets the stop mark, which ends the running wait or the next one
    // that finds the document incomplete.
    void Stop();
    void Refresh();
    // The page in a print preview; nothing while a preview or page setup is open.
    void PrintPreview();
    // The page setup dialog; its choice is used by later previews. True when it was shown.
    bool PageSetup(bool UsePrintOptions);
    // A save dialog (Filter and Title as given, defaults when empty); a chosen file is
    // written at once, an existing one overwritten.
    void ShowSaveDialog(const QString &Filter, const QString &Title, QString &FileName);
    // Has the engine write the document's markup to `FileName`: 0 when it started, 1 with no
    // document, 2 when the folder does not exist.
    int SaveToFile(const QString &FileName);
    // Processes events until the document is complete, the stop mark is set, a handler of
    // OnBusyWait cancels, TimeOut ms pass (0: no limit) or this view is destroyed. True when
    // the document is complete (or the application is quitting).
    bool WaitUntilReady(quint32 TimeOut);

    // Raised on every pass of a wait; AStartTime is the wait's start on the monotonic clock.
    std::function<void(QObject *Sender, qint64 AStartTime, quint32 &TimeOut, bool &Cancel)> OnBusyWait;

protected:
    void EngineCreated(QWebEngineView *view) override;

private:
    void printTo(QPrinter *printer);

    int m_zoom = 100;
    TTextList m_htmlCode;
    bool m_stopMark = false;
    bool m_printDialogOpen = false; // print preview or page setup
    bool m_printing = false;
    QPageLayout m_pageLayout;
};

// The address as the engine receives it: the GBK bytes of the text, every byte that an
// address cannot hold as it is percent-encoded. Invalid when no address can be made of it.
QUrl BrowserAddressToUrl(const QString &address);
