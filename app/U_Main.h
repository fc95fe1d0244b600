#pragma once

#include <QDateTime>
#include <QWidget>

class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QTimer;
class QToolButton;
class TProgressPane;

// The program's one main window: shop box, keyword box and compare button on top, the guide
// buttons on the left, the popular-shop row and navigation toolbar above the browser tabs, and
// the status bar with status text, progress and the shopping clock.
class TFrm_Main : public QWidget
{
    Q_OBJECT
public:
    explicit TFrm_Main(QWidget *parent = nullptr);
    ~TFrm_Main() override;

    // The clock pane's text for `now`, the window having been shown at `start`.
    static QString ClockText(const QDateTime &now, const QDateTime &start, const QString &title);
    // The program's about text, shown by a click on the logo.
    static QString AboutText();

    QDateTime StartTime() const { return m_startTime; }
    bool IsClosing() const { return m_closing; }

    // Controls, named as the program refers to them.
    QFrame *pTop = nullptr;
    QLabel *ImgLogo = nullptr;
    QLabel *Label1 = nullptr;
    QLineEdit *EdtWD = nullptr;
    QToolButton *BtnWD = nullptr;
    QLabel *Label2 = nullptr;
    QComboBox *cbKeyWord = nullptr;
    QToolButton *btnGo = nullptr;
    QFrame *pTop2 = nullptr;
    QFrame *pNav = nullptr;
    QFrame *pNav2 = nullptr;
    QFrame *pMain = nullptr;
    QFrame *sBToolBar = nullptr;
    QWidget *ToolBar1 = nullptr;
    QToolButton *btnBack = nullptr;
    QToolButton *btnStop = nullptr;
    QToolButton *btnForward = nullptr;
    QToolButton *BtnRfsh = nullptr;
    QToolButton *BtnOptn = nullptr;
    QWidget *PageControl1 = nullptr;
    QWidget *sBar = nullptr;
    QLabel *sBarStus = nullptr;
    TProgressPane *pBar = nullptr;
    QLabel *sBarStus2 = nullptr;
    QTimer *Timer1 = nullptr;
    QMenu *pmRopt = nullptr;

    void FormCreate();
    void FormShow();
    void ImgLogoClick();
    void Timer1Timer();

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void createControls();
    bool FormCloseQuery();

    QDateTime m_startTime;
    bool m_shown = false;
    bool m_closing = false;
    bool m_tabClosing = false;
};

// Sets a control's hint: its tool tip and the text the status pane shows while the pointer
// rests on it.
void SetHint(QWidget *control, const QString &hint);
