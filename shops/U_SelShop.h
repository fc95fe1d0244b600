#pragma once

#include "TCheckTree.h"

#include <QDialog>
#include <QIcon>
#include <QList>

class QFrame;
class QLabel;
class QPushButton;

// The shop selection dialog: a tree of the catalogue's categories and shops with tri-state
// boxes. Its result is the selection text, the names of the ticked shops joined by ";".
// Created for one opening and destroyed after it, so it always starts with nothing ticked.
// Enter and Escape do not close it; OK closes it with IDOK, Cancel and the close box with
// IDCANCEL.
class TFrm_SelShop : public QDialog
{
    Q_OBJECT
    Q_PROPERTY(QString Selection READ Selection NOTIFY selectionChanged)
    Q_PROPERTY(int CheckedCount READ CheckedCount NOTIFY selectionChanged)

public:
    // Pictures of il1: categories (and the root), shops.
    enum { imgCategory = 0, imgShop = 1 };
    // Root node caption.
    static QString RootCaption();

    explicit TFrm_SelShop(QWidget *parent = nullptr);
    ~TFrm_SelShop() override;

    // Controls, in declaration order, named as the program refers to them.
    QList<QIcon> il1;
    QFrame *Panel1 = nullptr;
    QLabel *lbCnt = nullptr;
    QPushButton *BtnOK = nullptr;
    QPushButton *BtnCancel = nullptr;
    QFrame *Panel2 = nullptr;
    TCheckTree *cTree = nullptr;
    QFrame *Panel3 = nullptr;
    QFrame *Panel4 = nullptr;

    // The selection as of the last change of a check state: empty until then.
    QString Selection() const { return m_selection; }
    // Number of ticked shops counted with it.
    int CheckedCount() const { return m_checkedCount; }

    // Builds the tree from the embedded catalogue and selects the root.
    void FormCreate();
    // Rebuilds the tree from the given catalogue text: the root, the categories under it,
    // each shop under the category above it (under the root when there is none).
    void BuildTree(const QString &catalogueText);
    // The names of the ticked shops in tree order, joined by ";"; sets the checked count.
    QString BuildSelection();
    void cTreeStateChange(QObject *Sender, QTreeWidgetItem *Node, TCheckState NewState);
    void BtnOkClick();
    void BtnCancelClick();

    // Cancel, as the close box gives it.
    void reject() override;

signals:
    void selectionChanged();

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void createControls();

    QString m_selection;
    int m_checkedCount = 0;
};

// Opens the selection dialog modally and returns its selection text when it was closed with
// OK, or empty text when it was cancelled or anything went wrong.
QString SelectShops();
