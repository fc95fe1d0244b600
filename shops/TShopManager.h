#pragma once

#include "TUserCatalogue.h"

#include <QDialog>

#include <functional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

// "网店管理": the catalogue by category as the user has made it, where shops are added,
// mended, hidden and shown, categories added and built-in shops put back as shipped. Nothing
// is written until OK; only valid input ever reaches the user's file.
class TFrm_ShopManager : public QDialog
{
    Q_OBJECT
public:
    // `keyword` is the keyword box's text, for the address preview and "试一试".
    explicit TFrm_ShopManager(const QString &keyword, QWidget *parent = nullptr);

    // "试一试": opens an address in a tab.
    std::function<void(const QString &address)> OnTry;

    QTreeWidget *tvShops = nullptr;
    QLineEdit *EdtName = nullptr;
    QComboBox *cbCategory = nullptr;
    QLineEdit *EdtAddress = nullptr;
    QLabel *lbPlaceholders = nullptr;
    QLabel *lbPreview = nullptr;
    QLabel *lbError = nullptr;
    QPushButton *btnAdd = nullptr;
    QPushButton *btnApply = nullptr;
    QPushButton *btnHide = nullptr;
    QPushButton *btnRestore = nullptr;
    QPushButton *btnDelete = nullptr;
    QPushButton *btnTry = nullptr;
    QLineEdit *EdtCategory = nullptr;
    QPushButton *btnAddCategory = nullptr;
    QPushButton *BtnOK = nullptr;
    QPushButton *BtnCancel = nullptr;

    void accept() override;

private:
    using Kind = TCatalogueItem::Kind;

    void createControls();
    void rebuildTree(const QString &select = QString());
    void showSelected();
    void updatePreview();
    bool fail(const QString &message); // shows it next to the fields; false
    QString selectedName() const;
    Kind selectedKind() const;

    void addShop();
    void applyAddress();
    void toggleHidden();
    void restoreBuiltIn();
    void deleteAdded();
    void addCategory();
    void tryAddress();

    QList<TShopEntry> m_builtIn;
    TUserCatalogue m_user;
    QString m_keyword;
};
