// The comparison search of the main window: checks, keyword history, one tab per shop.
#include "U_Main.h"

#include "HistoryFolder.h"
#include "TShopCatalogue.h"
#include "TPriceComparison.h"
#include "MessageBoxes.h"
#include "U_Pub.h"
#include "U_SelShop.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QScopeGuard>
#include <QStandardPaths>

namespace {
const QString kShopPrompt = QStringLiteral("请选择你要购物的网店");
}

void TFrm_Main::BtnWDClick()
{
    // The selection dialog's failures are not the user's to act on: the box just stays empty.
    try {
        const QString selection = SelectShops();
        EdtWD->setText(selection);
        EdtWD->setCursorPosition(0);
        SetHint(EdtWD, selection);
    } catch (...) {
    }
}

QString TFrm_Main::Keyword() const
{
    return TrimControls(cbKeyWord->currentText());
}

void TFrm_Main::btnGoClick()
{
    const QString shops = TrimControls(EdtWD->text());
    if (shops.isEmpty() || shops == kShopPrompt) {
        ShowMsg(kShopPrompt);
        return;
    }
    const QString keyword = Keyword();
    if (keyword.isEmpty()) {
        ShowMsg(QStringLiteral("请输入商品关键信息"));
        return;
    }
    AddKeywordHistory();

    // Read anew for every search: nothing of the catalogue is kept between searches.
    TTextList catalogue(QLatin1Char('\t'));
    catalogue.setText(LoadShopCatalogueText());
    TTextList names;
    SplitSelection(shops, names);
    m_priceComparison->Begin(names.lines(), keyword);
    // The tabs load their pages without pictures until the user looks at them; the tab left on
    // screen shows its pictures at once.
    m_openingComparison = true;
    const auto opened = qScopeGuard([this] {
        m_openingComparison = false;
        if (TTabSheetEx *active = ActiveTab())
            active->Browser->HoldPictures(false);
    });
    for (const QString &name : names.lines()) {
        const QString address = ExpandSearchUrl(catalogue.value(name), keyword);
        if (address.contains(QLatin1String("http"))) {
            OpenInTab(address);
            if (LastTab())
                m_priceComparison->Watch(LastTab()->Browser, name);
        } else {
            m_priceComparison->NotOpened(name);
            ShowMsg(QStringLiteral("无效链接地址"));
        }
    }
}

bool TFrm_Main::AddKeywordHistory()
{
    const QString keyword = Keyword();
    if (cbKeyWord->findText(keyword, Qt::MatchFixedString) < 0) // MatchFixedString ignores case
        cbKeyWord->addItem(keyword);

    QByteArray bytes;
    for (int i = 0; i < cbKeyWord->count(); ++i) {
        // One keyword, one line: a line break pasted into the keyword is written as a blank.
        QString line = cbKeyWord->itemText(i);
        line.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
        bytes += ToGbk(line);
        bytes += "\r\n";
    }
    // Failures are not the user's to act on, so they pass without a word.
    return WriteFileAtomically(HistoryFilePath(), bytes);
}

QString TFrm_Main::HistoryFilePath() const
{
    if (!m_historyFilePath.isEmpty())
        return m_historyFilePath;
    const QString folder = HistoryFolder(QCoreApplication::applicationDirPath(),
        QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
    return folder.isEmpty() ? QString() : folder + QStringLiteral("/kd.db");
}

void TFrm_Main::cbKeyWordKeyDown(int Key, Qt::KeyboardModifiers Shift)
{
    Q_UNUSED(Shift);
    if (Key == Qt::Key_Return || Key == Qt::Key_Enter)
        btnGoClick();
}
