#include "TShopManager.h"

#include "U_Pub.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {
constexpr int KindRole = Qt::UserRole;
constexpr int NameRole = Qt::UserRole + 1;
constexpr int TemplateRole = Qt::UserRole + 2;
constexpr int CategoryRole = Qt::UserRole + 3;
} // namespace

TFrm_ShopManager::TFrm_ShopManager(const QString &keyword, QWidget *parent)
    : QDialog(parent)
    , m_builtIn(ReadShopCatalogue(LoadBuiltInShopCatalogueText()))
    , m_user(ReadUserCatalogue())
    , m_keyword(keyword)
{
    setObjectName(QStringLiteral("Frm_ShopManager"));
    setWindowTitle(QStringLiteral("网店管理"));
    m_user.Problems.clear(); // told already when the catalogue was read; saving drops those lines
    createControls();
    rebuildTree();
}

void TFrm_ShopManager::createControls()
{
    resize(760, 480);
    auto *outer = new QVBoxLayout(this);
    auto *body = new QHBoxLayout;
    outer->addLayout(body, 1);

    tvShops = new QTreeWidget(this);
    tvShops->setObjectName(QStringLiteral("tvShops"));
    tvShops->setHeaderHidden(true);
    tvShops->setMinimumWidth(260);
    body->addWidget(tvShops);

    auto *side = new QVBoxLayout;
    body->addLayout(side, 1);
    auto *form = new QFormLayout;
    side->addLayout(form);
    EdtName = new QLineEdit(this);
    EdtName->setObjectName(QStringLiteral("EdtName"));
    form->addRow(QStringLiteral("名称："), EdtName);
    cbCategory = new QComboBox(this);
    cbCategory->setObjectName(QStringLiteral("cbCategory"));
    form->addRow(QStringLiteral("分类："), cbCategory);
    EdtAddress = new QLineEdit(this);
    EdtAddress->setObjectName(QStringLiteral("EdtAddress"));
    EdtAddress->setPlaceholderText(QStringLiteral("http://www.example.com/search?q={?ku}"));
    form->addRow(QStringLiteral("搜索网址："), EdtAddress);
    lbPlaceholders = new QLabel(QStringLiteral("网址中关键词的位置用占位符标出：{?ku} 填入 UTF-8 编码的关键词，"
                                               "{?kg} 填入 GBK 编码的关键词，{?kc} 原样填入，{?ke} 不被替换。"),
                                this);
    lbPlaceholders->setWordWrap(true);
    lbPlaceholders->setTextFormat(Qt::PlainText);
    form->addRow(QString(), lbPlaceholders);
    lbPreview = new QLabel(this);
    lbPreview->setObjectName(QStringLiteral("lbPreview"));
    lbPreview->setWordWrap(true);
    lbPreview->setTextFormat(Qt::PlainText);
    lbPreview->setTextInteractionFlags(Qt::TextSelectableByMouse);
    form->addRow(QStringLiteral("实际网址："), lbPreview);
    lbError = new QLabel(this);
    lbError->setObjectName(QStringLiteral("lbError"));
    lbError->setWordWrap(true);
    lbError->setTextFormat(Qt::PlainText);
    lbError->setStyleSheet(QStringLiteral("color: #c00000;"));
    form->addRow(QString(), lbError);

    auto *buttons = new QGridLayout;
    side->addLayout(buttons);
    auto button = [this](const QString &name, const QString &caption, void (TFrm_ShopManager::*slot)()) {
        auto *b = new QPushButton(caption, this);
        b->setObjectName(name);
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, slot);
        return b;
    };
    btnAdd = button(QStringLiteral("btnAdd"), QStringLiteral("添加网店"), &TFrm_ShopManager::addShop);
    btnApply = button(QStringLiteral("btnApply"), QStringLiteral("修改网址"), &TFrm_ShopManager::applyAddress);
    btnHide = button(QStringLiteral("btnHide"), QStringLiteral("隐藏"), &TFrm_ShopManager::toggleHidden);
    btnRestore = button(QStringLiteral("btnRestore"), QStringLiteral("恢复默认"), &TFrm_ShopManager::restoreBuiltIn);
    btnDelete = button(QStringLiteral("btnDelete"), QStringLiteral("删除"), &TFrm_ShopManager::deleteAdded);
    btnTry = button(QStringLiteral("btnTry"), QStringLiteral("试一试"), &TFrm_ShopManager::tryAddress);
    buttons->addWidget(btnAdd, 0, 0);
    buttons->addWidget(btnApply, 0, 1);
    buttons->addWidget(btnTry, 0, 2);
    buttons->addWidget(btnHide, 1, 0);
    buttons->addWidget(btnRestore, 1, 1);
    buttons->addWidget(btnDelete, 1, 2);

    auto *categoryRow = new QHBoxLayout;
    side->addLayout(categoryRow);
    EdtCategory = new QLineEdit(this);
    EdtCategory->setObjectName(QStringLiteral("EdtCategory"));
    EdtCategory->setPlaceholderText(QStringLiteral("新分类的名称"));
    categoryRow->addWidget(EdtCategory, 1);
    btnAddCategory = button(QStringLiteral("btnAddCategory"), QStringLiteral("添加分类"), &TFrm_ShopManager::addCategory);
    categoryRow->addWidget(btnAddCategory);
    side->addStretch(1);

    auto *bottom = new QHBoxLayout;
    outer->addLayout(bottom);
    bottom->addStretch(1);
    BtnOK = new QPushButton(QStringLiteral("确定"), this);
    BtnOK->setObjectName(QStringLiteral("BtnOK"));
    BtnOK->setAutoDefault(false);
    BtnCancel = new QPushButton(QStringLiteral("取消"), this);
    BtnCancel->setObjectName(QStringLiteral("BtnCancel"));
    BtnCancel->setAutoDefault(false);
    bottom->addWidget(BtnOK);
    bottom->addWidget(BtnCancel);
    connect(BtnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(BtnCancel, &QPushButton::clicked, this, &QDialog::reject);

    connect(tvShops, &QTreeWidget::currentItemChanged, this, &TFrm_ShopManager::showSelected);
    connect(EdtAddress, &QLineEdit::textChanged, this, &TFrm_ShopManager::updatePreview);
    // Enter in a field does what its row is for, and never closes the dialog.
    connect(EdtAddress, &QLineEdit::returnPressed, this, [this] {
        selectedKind() == TCatalogueItem::Category || EdtName->text() != selectedName() ? addShop() : applyAddress();
    });
    connect(EdtCategory, &QLineEdit::returnPressed, this, &TFrm_ShopManager::addCategory);
}

void TFrm_ShopManager::rebuildTree(const QString &select)
{
    tvShops->clear();
    cbCategory->clear();
    QTreeWidgetItem *category = nullptr;
    QTreeWidgetItem *selected = nullptr;
    for (const TCatalogueItem &entry : m_user.MergedItems(m_builtIn)) {
        QTreeWidgetItem *item = nullptr;
        if (entry.ItemKind == TCatalogueItem::Category) {
            item = category = new QTreeWidgetItem(tvShops, {entry.Name});
            category->setExpanded(true);
            cbCategory->addItem(entry.Name);
        } else {
            QString text = entry.Name;
            if (entry.Hidden)
                text += QStringLiteral("（已隐藏）");
            else if (!HoldsKeywordPlaceholder(entry.Template))
                text += QStringLiteral("（不含关键词）");
            if (entry.Changed)
                text += QStringLiteral("（已修改）");
            item = category ? new QTreeWidgetItem(category, {text}) : new QTreeWidgetItem(tvShops, {text});
            item->setData(0, TemplateRole, entry.Template);
            item->setData(0, CategoryRole, category ? QVariant(entry.CategoryName) : QVariant());
            if (entry.Hidden)
                item->setForeground(0, palette().brush(QPalette::Disabled, QPalette::Text));
        }
        item->setData(0, KindRole, entry.ItemKind);
        item->setData(0, NameRole, entry.Name);
        if (entry.Name == select)
            selected = item;
    }
    tvShops->setCurrentItem(selected ? selected : tvShops->topLevelItem(0));
    if (selected)
        tvShops->scrollToItem(selected);
}

QString TFrm_ShopManager::selectedName() const
{
    const QTreeWidgetItem *item = tvShops->currentItem();
    return item ? item->data(0, NameRole).toString() : QString();
}

TFrm_ShopManager::Kind TFrm_ShopManager::selectedKind() const
{
    const QTreeWidgetItem *item = tvShops->currentItem();
    return item ? Kind(item->data(0, KindRole).toInt()) : TCatalogueItem::Category;
}

void TFrm_ShopManager::showSelected()
{
    lbError->clear();
    const QTreeWidgetItem *item = tvShops->currentItem();
    if (!item)
        return;
    const Kind kind = selectedKind();
    if (kind == TCatalogueItem::Category) {
        cbCategory->setCurrentText(item->data(0, NameRole).toString());
        EdtName->clear();
        EdtAddress->clear();
    } else {
        cbCategory->setCurrentText(item->data(0, CategoryRole).toString());
        EdtName->setText(item->data(0, NameRole).toString());
        EdtAddress->setText(item->data(0, TemplateRole).toString());
    }
    const TUserCatalogue::Shop *change = kind == TCatalogueItem::BuiltInShop ? m_user.ChangeOf(selectedName()) : nullptr;
    const bool hidden = change && change->Template.isEmpty();
    btnApply->setEnabled(kind != TCatalogueItem::Category && !hidden);
    btnHide->setEnabled(kind == TCatalogueItem::BuiltInShop);
    btnHide->setText(hidden ? QStringLiteral("显示") : QStringLiteral("隐藏"));
    btnRestore->setEnabled(change != nullptr);
    btnDelete->setEnabled(kind == TCatalogueItem::AddedShop);
    updatePreview();
}

void TFrm_ShopManager::updatePreview()
{
    const QString address = TrimControls(EdtAddress->text());
    if (address.isEmpty() || !ShopTemplateProblem(address).isEmpty()) {
        lbPreview->setText(address.isEmpty() ? QString() : QStringLiteral("（网址无效）"));
        return;
    }
    QString shown = ExpandSearchUrl(address, m_keyword);
    if (!HoldsKeywordPlaceholder(address))
        shown += QStringLiteral("\n注意：网址中没有关键词占位符，打开的网页与关键词无关。");
    lbPreview->setText(shown);
}

bool TFrm_ShopManager::fail(const QString &message)
{
    lbError->setText(message);
    return false;
}

void TFrm_ShopManager::addShop()
{
    const QString name = TrimControls(EdtName->text());
    const QString address = TrimControls(EdtAddress->text());
    QString problem = ShopNameProblem(EdtName->text());
    if (problem.isEmpty())
        problem = m_user.NameTakenProblem(name, m_builtIn);
    if (problem.isEmpty())
        problem = ShopTemplateProblem(address);
    if (problem.isEmpty() && cbCategory->currentText().isEmpty())
        problem = QStringLiteral("请先选择一个分类。");
    if (!problem.isEmpty()) {
        fail(problem);
        return;
    }
    m_user.CategoryNamed(cbCategory->currentText()).Shops.append({name, address});
    rebuildTree(name);
}

void TFrm_ShopManager::applyAddress()
{
    const QString address = TrimControls(EdtAddress->text());
    if (const QString problem = ShopTemplateProblem(address); !problem.isEmpty()) {
        fail(problem);
        return;
    }
    const QString name = selectedName();
    if (selectedKind() == TCatalogueItem::AddedShop) {
        for (TUserCatalogue::Shop &shop : m_user.CategoryOfAdded(name)->Shops) {
            if (shop.Name == name)
                shop.Template = address;
        }
    } else if (selectedKind() == TCatalogueItem::BuiltInShop) {
        const auto builtIn = std::find_if(m_builtIn.cbegin(), m_builtIn.cend(), [&](const TShopEntry &e) { return e.Name == name; });
        if (builtIn != m_builtIn.cend() && builtIn->Value == address)
            m_user.RemoveChange(name);
        else
            m_user.SetChange(name, address);
    }
    rebuildTree(name);
}

void TFrm_ShopManager::toggleHidden()
{
    const QString name = selectedName();
    const TUserCatalogue::Shop *change = m_user.ChangeOf(name);
    if (change && change->Template.isEmpty())
        m_user.RemoveChange(name); // shown again, as shipped
    else
        m_user.SetChange(name, QString());
    rebuildTree(name);
}

void TFrm_ShopManager::restoreBuiltIn()
{
    const QString name = selectedName();
    m_user.RemoveChange(name);
    rebuildTree(name);
}

void TFrm_ShopManager::deleteAdded()
{
    const QString name = selectedName();
    if (TUserCatalogue::Category *category = m_user.CategoryOfAdded(name))
        category->Shops.removeIf([&](const TUserCatalogue::Shop &shop) { return shop.Name == name; });
    rebuildTree();
}

void TFrm_ShopManager::addCategory()
{
    const QString name = TrimControls(EdtCategory->text());
    QString problem = ShopNameProblem(EdtCategory->text());
    if (problem.isEmpty())
        problem = m_user.NameTakenProblem(name, m_builtIn);
    if (!problem.isEmpty()) {
        fail(QStringLiteral("分类") + problem);
        return;
    }
    m_user.CategoryNamed(name);
    EdtCategory->clear();
    rebuildTree(name);
}

void TFrm_ShopManager::tryAddress()
{
    const QString address = TrimControls(EdtAddress->text());
    if (const QString problem = ShopTemplateProblem(address); !problem.isEmpty()) {
        fail(problem);
        return;
    }
    if (OnTry)
        OnTry(ExpandSearchUrl(address, m_keyword));
}

void TFrm_ShopManager::accept()
{
    if (!WriteUserCatalogue(m_user)) {
        fail(QStringLiteral("无法保存到 %1。").arg(UserCatalogueFilePath()));
        return;
    }
    QDialog::accept();
}
