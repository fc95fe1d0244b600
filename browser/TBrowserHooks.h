#pragma once

#include <QObject>

// Process-wide helpers of the browser views, on the user-interface thread.
class TBrowserHooks : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool FocusControl READ FocusControl WRITE setFocusControl)
    Q_PROPERTY(bool MouseWheelFix READ MouseWheelFix WRITE setMouseWheelFix)

public:
    explicit TBrowserHooks(QObject *parent = nullptr);

    // When the application becomes active and the active window's focus lies in a browser view
    // whose page does not hold the keyboard focus, the page takes it.
    bool FocusControl() const { return m_focusControl; }
    void setFocusControl(bool on);
    // The wheel scrolls the view under the pointer. Qt already sends wheel events to the
    // widget under the pointer, so this only records the choice.
    bool MouseWheelFix() const { return m_mouseWheelFix; }
    void setMouseWheelFix(bool on) { m_mouseWheelFix = on; }

private:
    void onApplicationStateChanged(Qt::ApplicationState state);

    bool m_focusControl = false;
    bool m_mouseWheelFix = false;
};

// Start of the process, after the QApplication and before the first window: saves the
// floating-point environment, registers what the web engine must know before it starts, and
// switches the hooks on. DoneBrowserProcess() undoes it at the end.
void InitBrowserProcess();
void DoneBrowserProcess();

// InitBrowserProcess() for the lifetime of the object.
class TBrowserProcess
{
public:
    TBrowserProcess() { InitBrowserProcess(); }
    ~TBrowserProcess() { DoneBrowserProcess(); }
    TBrowserProcess(const TBrowserProcess &) = delete;
    TBrowserProcess &operator=(const TBrowserProcess &) = delete;
};

// The floating-point environment for the browser views: true restores the one saved at the
// start of the process, false masks all floating-point exceptions of the calling thread.
void SetFpExceptions(bool enabled);
