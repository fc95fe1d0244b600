#pragma once

#include <QFrame>
#include <QPointer>

class QCheckBox;
class QLabel;
class QLineEdit;
class QToolButton;
class TBrowserHost;

// Find in page: searches the page of one view as the user types, steps to the next and the
// previous match, counts the matches and can match case. Handing it another view moves the
// search there; closing it clears the highlights.
class TFindBar : public QFrame
{
    Q_OBJECT
public:
    explicit TFindBar(QWidget *parent = nullptr);

    // The view searched from now on (may be null). The old page's highlights are cleared;
    // while the bar is open the search runs again in the new page.
    void SetView(TBrowserHost *view);
    TBrowserHost *View() const { return m_view; }

    // Shows the bar with its text selected and the keyboard in it, and searches.
    void Open();
    // Hides the bar and clears the highlights; the page gets the keyboard back if the bar had it.
    void Close();
    // The next or previous match; a closed bar opens first.
    void FindNext();
    void FindPrevious();

    // "第 3 个，共 12 个"; the text for no match when `matches` is 0.
    static QString CountText(int activeMatch, int matches);

    QLineEdit *EdtFind = nullptr;
    QToolButton *BtnPrevious = nullptr;
    QToolButton *BtnNext = nullptr;
    QCheckBox *cbMatchCase = nullptr;
    QLabel *lbCount = nullptr;
    QToolButton *BtnClose = nullptr;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // `restart` begins a new search, so that the first match is the one after the top of the page.
    void Find(bool backward, bool restart);
    static void clearHighlights(TBrowserHost *view);

    QPointer<TBrowserHost> m_view;
    int m_request = 0; // the search whose result the count shows; older results are dropped
};
