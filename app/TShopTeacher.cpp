#include "TShopTeacher.h"

#include "MessageBoxes.h"
#include "TBrowserHost.h"
#include "TOfferReading.h"
#include "TPageControl.h"
#include "TPickMode.h"
#include "TPickPanel.h"
#include "TPriceComparison.h"
#include "TPriceTablePane.h"
#include "TShopRules.h"

#include <QJsonDocument>
#include <QMenu>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineView>

namespace {
// The longest selector kept: a page could make the pick's selectors as long as it likes.
constexpr int kMaxSelector = 1000;

QString ProblemText(const QString &problem)
{
    if (problem == QLatin1String("noName"))
        return QStringLiteral("这里没有文字。请点击商品名称的文字。");
    if (problem == QLatin1String("noPrice"))
        return QStringLiteral("这里没有价格数字。请点击这件商品的价格。");
    if (problem == QLatin1String("priceInName"))
        return QStringLiteral("名称和价格不能是同一处。请点击价格本身。");
    if (problem == QLatin1String("noStructure"))
        return QStringLiteral("没能找出这类商品的共同结构。请换一件商品，重新点击它的名称。");
    return QString();
}

// The parts of a rule from the pick, as text of sensible length only.
QJsonObject CheckedRule(const QJsonObject &picked)
{
    QJsonObject rule;
    for (const char *part : {"item", "name", "price", "link", "image"}) {
        const QString selector = picked.value(QLatin1String(part)).toString().trimmed();
        if (!selector.isEmpty() && selector.size() <= kMaxSelector)
            rule.insert(QLatin1String(part), selector);
    }
    if (!rule.contains(QLatin1String("item")) || !rule.contains(QLatin1String("name"))
        || !rule.contains(QLatin1String("price")))
        return QJsonObject();
    return rule;
}
} // namespace

TShopTeacher::TShopTeacher(TPriceComparison *comparison, TPriceTablePane *pane, QObject *parent)
    : QObject(parent), m_comparison(comparison), m_pick(new TPickMode(this))
{
    connect(m_pick, &TPickMode::changed, this, &TShopTeacher::pickChanged);
    connect(m_pick, &TPickMode::ended, this, &TShopTeacher::pickEnded);
    connect(pane, &TPriceTablePane::teachRequested, this, &TShopTeacher::Teach);
    connect(pane, &TPriceTablePane::restoreRequested, this, &TShopTeacher::Restore);
    pane->OnShopMenu = [this](const QString &shop, bool &canTeach, bool &ownRule) {
        canTeach = m_comparison->ResultsView(shop) != nullptr;
        ownRule = hasOwnRule(shop);
    };
}

void TShopTeacher::Teach(const QString &shop)
{
    m_pick->Stop();
    TBrowserHost *view = m_comparison->ResultsView(shop);
    if (!view) {
        ShowMsg(QStringLiteral("「%1」的结果页已不在它的标签页里，请重新对比后再教。").arg(shop));
        return;
    }
    if (auto *tab = qobject_cast<TTabSheet *>(view->parentWidget()); tab && tab->PageControl())
        tab->PageControl()->SetActivePage(tab);
    if (!m_pick->Start(view, RulePickingScript()))
        return;
    m_shop = shop;
    m_rule = QJsonObject();
    m_panel = new TPickPanel(shop, view);
    connect(m_panel, &TPickPanel::repickClicked, m_pick, &TPickMode::Repick);
    connect(m_panel, &TPickPanel::confirmClicked, this, &TShopTeacher::confirm);
    connect(m_panel, &TPickPanel::cancelClicked, m_pick, &TPickMode::Stop);
    m_panel->show();
    view->EngineView()->setFocus(Qt::OtherFocusReason); // Esc reaches the pick
}

void TShopTeacher::Restore(const QString &shop)
{
    const QString host = m_comparison->ResultsAddress(shop).host();
    if (host.isEmpty())
        return;
    if (m_shop == shop)
        m_pick->Stop();
    QString error;
    if (!TShopRules::RemoveUserRule(host, &error)) {
        ShowMsg(error);
        return;
    }
    m_comparison->Reread(shop);
}

bool TShopTeacher::PageMenu(QObject *view, const QPoint &pos)
{
    const QString shop = m_comparison->ShopOf(view);
    if (shop.isEmpty())
        return false;
    auto *menu = new QMenu(qobject_cast<QWidget *>(view));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->addAction(QStringLiteral("教我读这个网店…"), this, [this, shop] { Teach(shop); });
    if (hasOwnRule(shop))
        menu->addAction(QStringLiteral("恢复默认读取"), this, [this, shop] { Restore(shop); });
    menu->popup(pos);
    return true;
}

bool TShopTeacher::hasOwnRule(const QString &shop) const
{
    const QString host = m_comparison->ResultsAddress(shop).host();
    return !host.isEmpty() && TShopRules::HasUserRule(host);
}

void TShopTeacher::pickChanged()
{
    if (!m_panel)
        return;
    const QString problem = ProblemText(m_pick->Problem());
    switch (m_pick->CurrentStep()) {
    case TPickMode::PickName:
        m_rule = QJsonObject();
        m_panel->ShowStep(TPickPanel::PickName, problem);
        break;
    case TPickMode::PickPrice:
        m_rule = QJsonObject();
        m_panel->ShowStep(TPickPanel::PickPrice, problem);
        break;
    case TPickMode::Result:
        m_panel->ShowStep(TPickPanel::Result, problem);
        preview(CheckedRule(m_pick->Rule()));
        break;
    }
}

// The offers the rule reads, read as the price table will read them once the rule is the user's.
void TShopTeacher::preview(const QJsonObject &rule)
{
    m_rule = rule;
    const int previewNo = ++m_previews;
    QWebEnginePage *page = m_pick->Page();
    if (rule.isEmpty() || !page) {
        if (m_panel)
            m_panel->ShowOffers({});
        return;
    }
    QJsonObject asUsers = rule;
    asUsers.insert(QLatin1String("byUser"), true);
    QPointer<TShopTeacher> self(this);
    const QString shop = m_shop;
    page->runJavaScript(OfferReadingScript(asUsers), QWebEngineScript::ApplicationWorld,
        [self, previewNo, shop](const QVariant &result) {
            if (!self || previewNo != self->m_previews || !self->m_panel)
                return;
            // What the rule itself reads, not what the page's data would give without it.
            QJsonObject reading = QJsonDocument::fromJson(result.toString().toUtf8()).object();
            reading.remove(QLatin1String("structured"));
            reading.remove(QLatin1String("generic"));
            self->m_panel->ShowOffers(
                OffersFromReading(QString::fromUtf8(QJsonDocument(reading).toJson()), shop));
        });
}

void TShopTeacher::confirm()
{
    QWebEnginePage *page = m_pick->Page();
    if (!page || m_rule.isEmpty() || !m_panel || m_panel->Count() == 0)
        return;
    QJsonObject rule = m_rule;
    rule.insert(QLatin1String("host"), page->url().host());
    QString error;
    if (!TShopRules::SaveUserRule(rule, &error)) {
        ShowMsg(error);
        return;
    }
    const QString shop = m_shop;
    m_pick->Stop();
    m_comparison->Reread(shop);
}

void TShopTeacher::pickEnded()
{
    if (m_panel)
        m_panel->deleteLater();
    m_panel = nullptr;
    m_shop.clear();
    m_rule = QJsonObject();
    ++m_previews;
}
