#include "HeavyShops.h"

#include <QBuffer>
#include <QImage>
#include <QImageWriter>

namespace {
constexpr int kCards = 60;
constexpr int kCardsInMarkup = 40; // the rest the page's script builds after the load
constexpr int kPictures = 24; // distinct pictures; every card has an address of its own

// A small generator of the same numbers from the same seed on every run.
class Dice
{
public:
    explicit Dice(quint32 seed) : m_state(seed ? seed : 1) {}
    quint32 Next()
    {
        m_state ^= m_state << 13;
        m_state ^= m_state >> 17;
        m_state ^= m_state << 5;
        return m_state;
    }
    int Between(int low, int high) { return low + int(Next() % quint32(high - low + 1)); }

private:
    quint32 m_state;
};

quint32 SeedOf(const QByteArray &host)
{
    quint32 hash = 2166136261u; // FNV-1a
    for (const char c : host)
        hash = (hash ^ quint8(c)) * 16777619u;
    return hash;
}

QByteArray ClassName(Dice &dice)
{
    static const char letters[] = "abcdefghijklmnopqrstuvwxyz";
    QByteArray name("_");
    for (int i = 0; i < 5; ++i)
        name += letters[dice.Next() % 26];
    return name;
}

const char *const kWords[] = {"手机", "旗舰", "新品", "官方", "正品", "5G", "全网通", "大内存", "长续航", "拍照",
    "曲面屏", "轻薄", "游戏", "快充", "双卡", "护眼", "高刷", "影像", "学生", "商务"};

QByteArray Words(Dice &dice, int count)
{
    QByteArray text;
    for (int i = 0; i < count; ++i)
        text += (i ? " " : "") + QByteArray(kWords[dice.Next() % (sizeof kWords / sizeof *kWords)]);
    return text;
}

QByteArray Price(int cents)
{
    return QByteArray::number(cents / 100) + '.' + QByteArray::number(cents % 100).rightJustified(2, '0');
}

// Shops serve their pictures from a few picture hosts of their own (img1. to img4. before the
// shop's host), as real shops do, so that a page's pictures do not all queue for the six
// connections a browser opens to one host.
constexpr int kPictureHosts = 4;

QByteArray PictureAddress(const QByteArray &host, int index)
{
    return "http://img" + QByteArray::number(index % kPictureHosts + 1) + "." + host + "/__bench/p/"
        + QByteArray::number(index) + ".jpg";
}

// One product card as a shop's template writes it: nested blocks with meaningless class names,
// the colour and size variants, promotion tags, the crossed-out list price, ratings.
QByteArray Card(Dice &dice, const QByteArray &host, int index, int cents)
{
    const QByteArray item = QByteArray::number(index);
    QByteArray html = "<li class=\"" + ClassName(dice) + "\" data-sku=\"" + QByteArray::number(dice.Next())
        + "\" data-index=\"" + item + "\"><div class=\"" + ClassName(dice) + "\"><a href=\"/item/" + item
        + ".html\" target=\"_blank\"><img src=\"" + PictureAddress(host, index) + "?" + QByteArray::number(dice.Next())
        + "\" width=\"220\" height=\"220\" alt=\"\"></a></div><div class=\"" + ClassName(dice) + "\"><a href=\"/item/"
        + item + ".html\" title=\"" + Words(dice, 8) + "\">" + Words(dice, 12) + " 型号" + item + "</a></div>"
        + "<div class=\"" + ClassName(dice) + "\"><span class=\"" + ClassName(dice) + "\"><i>¥</i><b>"
        + Price(cents) + "</b></span> <del>¥" + Price(cents * 5 / 4) + "</del></div><ul class=\""
        + ClassName(dice) + "\" style=\"display:none\">";
    const int variants = dice.Between(20, 40);
    for (int v = 0; v < variants; ++v)
        html += "<li data-v=\"" + QByteArray::number(dice.Next()) + "\" data-stock=\""
            + QByteArray::number(dice.Between(0, 999)) + "\"><span class=\"" + ClassName(dice) + "\">"
            + Words(dice, 3) + "</span><em>" + Price(cents + dice.Between(0, 50000)) + "</em></li>";
    html += "</ul><div class=\"" + ClassName(dice) + "\">";
    for (int t = 0; t < 4; ++t)
        html += "<span class=\"" + ClassName(dice) + "\">" + Words(dice, 2) + "</span>";
    html += "</div><div class=\"" + ClassName(dice) + "\"><span>" + QByteArray::number(dice.Between(100, 99999))
        + "+条评价</span> <a href=\"/shop/" + QByteArray::number(dice.Between(1, 999)) + "\">" + Words(dice, 2)
        + "旗舰店</a></div></li>\n";
    return html;
}

// The page's own data, as shops embed it for their scripts: every product of the page and a
// long tail of recommendations.
QByteArray StateJson(Dice &dice, const QList<int> &cents, qint64 targetBytes)
{
    QByteArray json = "{\"items\":[";
    for (int i = 0; i < cents.size(); ++i)
        json += QByteArray(i ? "," : "") + "{\"id\":" + QByteArray::number(i + 1) + ",\"name\":\"" + Words(dice, 12)
            + " 型号" + QByteArray::number(i + 1) + "\",\"price\":\"" + Price(cents.at(i)) + "\",\"sku\":"
            + QByteArray::number(dice.Next()) + "}";
    json += "],\"recommend\":[";
    for (int i = 0; json.size() < targetBytes; ++i)
        json += QByteArray(i ? "," : "") + "{\"id\":" + QByteArray::number(dice.Next()) + ",\"t\":\""
            + Words(dice, 10) + "\",\"p\":\"" + Price(dice.Between(100, 900000)) + "\",\"tags\":[\""
            + Words(dice, 1) + "\",\"" + Words(dice, 1) + "\"]}";
    return json + "]}";
}

QByteArray Page(Dice &dice, const QByteArray &host, qint64 targetBytes)
{
    QList<int> cents;
    for (int i = 0; i < kCards; ++i)
        cents.append(dice.Between(9900, 999900));
    QByteArray html = "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>" + host
        + " - 手机 搜索结果</title><link rel=\"stylesheet\" href=\"/__bench/site.css\">"
          "<script src=\"/__bench/app.js\" defer></script></head><body><div class=\"" + ClassName(dice)
        + "\"><a href=\"/\">" + host + "</a><form action=\"/search\"><input name=\"q\" value=\"手机\"></form>"
        + "<span id=\"cart\">购物车 ¥" + Price(dice.Between(100, 99999)) + "</span></div><ul class=\""
        + ClassName(dice) + "\">";
    for (int i = 0; i < 300; ++i)
        html += "<li><a href=\"/c/" + QByteArray::number(i) + "\">" + Words(dice, 2) + "</a></li>";
    html += "</ul><div class=\"" + ClassName(dice) + "\">价格 <input name=\"min\"> - <input name=\"max\"> "
        + "<span>限时秒杀 剩余 <b id=\"countdown\">00:00:00</b></span>";
    for (int i = 0; i < 120; ++i)
        html += "<label><input type=\"checkbox\" value=\"" + QByteArray::number(i) + "\">" + Words(dice, 1)
            + "</label>";
    html += "</div><ul id=\"results\" class=\"" + ClassName(dice) + "\">\n";
    for (int i = 0; i < kCardsInMarkup; ++i)
        html += Card(dice, host, i + 1, cents.at(i));
    html += "</ul><div id=\"footer\" class=\"" + ClassName(dice) + "\">";
    for (int i = 0; i < 200; ++i)
        html += "<a href=\"/help/" + QByteArray::number(i) + "\">" + Words(dice, 2) + "</a> ";
    html += "</div><script>window.__STATE__=";
    html += StateJson(dice, cents, qMax<qint64>(1000, targetBytes - html.size() - 100));
    return html + ";</script></body></html>";
}

// A bundle of a few hundred kilobytes: many small modules that the page runs once, then the part
// that builds the rest of the list after the load and a countdown that ticks every second.
QByteArray Script(Dice &dice, qint64 targetBytes)
{
    QByteArray js = "var __m=[];\n";
    for (int m = 0; js.size() < targetBytes; ++m) {
        const QByteArray id = QByteArray::number(m);
        js += "__m.push(function m" + id + "(a){var x=a+" + QByteArray::number(dice.Next() % 1000)
            + ",s='" + ClassName(dice) + "',o={};for(var i=0;i<40;i++){x=(x*31+i)%1000003;o['k'+(i%7)]=x;}"
              "if(x%3===0){o.n=s+x;}else{o.n=s.split('').reverse().join('');}return [o,x];});\n";
    }
    js += R"(
(function () {
    var acc = 0;
    for (var i = 0; i < __m.length; i++) acc += __m[i](i)[1];
    window.__acc = acc;
    function card(item, index) {
        var li = document.createElement('li');
        li.setAttribute('data-index', String(index));
        var pic = document.createElement('a');
        pic.href = '/item/' + item.id + '.html';
        var img = document.createElement('img');
        img.width = 220; img.height = 220;
        img.src = 'http://img' + (item.id % 4 + 1) + '.' + location.host + '/__bench/p/' + item.id + '.jpg?' + item.sku;
        pic.appendChild(img);
        li.appendChild(pic);
        var name = document.createElement('a');
        name.href = '/item/' + item.id + '.html';
        name.textContent = item.name;
        var nameBox = document.createElement('div');
        nameBox.appendChild(name);
        li.appendChild(nameBox);
        var price = document.createElement('div');
        var tag = document.createElement('span');
        tag.textContent = '¥' + item.price;
        price.appendChild(tag);
        li.appendChild(price);
        return li;
    }
    window.addEventListener('load', function () {
        var list = document.getElementById('results');
        var items = window.__STATE__.items;
        var n = 40;
        function more() {
            var end = Math.min(items.length, n + 10);
            for (; n < end; n++) list.appendChild(card(items[n], n + 1));
            if (n < items.length) setTimeout(more, 150);
        }
        setTimeout(more, 100);
    });
    var left = 3 * 3600;
    setInterval(function () {
        left = left > 0 ? left - 1 : 3 * 3600;
        var h = Math.floor(left / 3600), m = Math.floor(left / 60) % 60, s = left % 60;
        var box = document.getElementById('countdown');
        if (box) box.textContent = [h, m, s].map(function (v) { return v < 10 ? '0' + v : v; }).join(':');
    }, 1000);
})();
)";
    return js;
}

QByteArray Style(Dice &dice, qint64 targetBytes)
{
    QByteArray css = "body{font:12px sans-serif;margin:0}#results{display:flex;flex-wrap:wrap;list-style:none}"
                     "#results>li{width:240px;margin:6px;border:1px solid #eee}del{color:#999}\n";
    while (css.size() < targetBytes)
        css += "." + ClassName(dice) + " ." + ClassName(dice) + ">span{color:#"
            + QByteArray::number(dice.Next() % 0xffffff, 16) + ";padding:" + QByteArray::number(dice.Between(0, 9))
            + "px;border-radius:" + QByteArray::number(dice.Between(0, 6)) + "px}\n";
    return css;
}

// A photograph-like picture that compresses to about `targetBytes`: a colour gradient with grain.
QByteArray MakePicture(int index, qint64 targetBytes)
{
    Dice dice(quint32(index) * 2654435761u + 7);
    for (int side = 96;; side += 16) {
        QImage image(side, side, QImage::Format_RGB32);
        for (int y = 0; y < side; ++y) {
            auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
            for (int x = 0; x < side; ++x)
                line[x] = qRgb((x * 255 / side + int(dice.Next() % 48)) & 255,
                    (y * 255 / side + int(dice.Next() % 48)) & 255, (index * 40 + int(dice.Next() % 48)) & 255);
        }
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "jpeg");
        writer.setQuality(85);
        if (!writer.write(image)) {
            buffer.close();
            bytes.clear();
            buffer.open(QIODevice::WriteOnly);
            image.save(&buffer, "PNG");
        }
        if (bytes.size() >= targetBytes || side > 1024)
            return bytes;
    }
}
} // namespace

const HeavyShops::Shop &HeavyShops::ShopFor(const QByteArray &host)
{
    auto it = m_shops.find(host);
    if (it != m_shops.end())
        return *it;
    Shop shop;
    shop.seed = SeedOf(host);
    Dice dice(shop.seed);
    shop.latencyMs = dice.Between(50, 300);
    shop.page = Page(dice, host, dice.Between(1000, 2000) * 1024);
    shop.script = Script(dice, dice.Between(200, 400) * 1024);
    shop.style = Style(dice, dice.Between(60, 120) * 1024);
    return *m_shops.insert(host, shop);
}

const QByteArray &HeavyShops::Picture(int index)
{
    if (m_pictures.isEmpty()) {
        for (int i = 0; i < kPictures; ++i)
            m_pictures.append(MakePicture(i, 20 * 1024 + qint64(i) * 40 * 1024 / (kPictures - 1)));
    }
    return m_pictures.at(index % kPictures);
}

TestHttpServer::Reply HeavyShops::Reply(const QByteArray &target, const QByteArray &requestHost)
{
    // A picture host answers for its shop, with the shop's latency.
    QByteArray host = requestHost;
    if (host.startsWith("img") && host.indexOf('.') > 3)
        host = host.mid(host.indexOf('.') + 1);
    const Shop &shop = ShopFor(host);
    TestHttpServer::Reply reply;
    reply.delayMs = shop.latencyMs;
    reply.bytesPerSecond = kBytesPerSecond;
    if (target.startsWith("/__bench/p/")) {
        reply.contentType = "image/jpeg";
        reply.body = Picture(int(shop.seed % kPictures) + target.mid(11).toInt());
    } else if (target.startsWith("/__bench/app.js")) {
        reply.contentType = "application/javascript";
        reply.body = shop.script;
    } else if (target.startsWith("/__bench/site.css")) {
        reply.contentType = "text/css";
        reply.body = shop.style;
    } else {
        reply.body = shop.page;
    }
    return reply;
}

HeavyShops::Weight HeavyShops::WeightOf(const QByteArray &host)
{
    const Shop &shop = ShopFor(host);
    Weight weight;
    weight.markup = shop.page.size();
    weight.script = shop.script.size();
    weight.style = shop.style.size();
    weight.pictureCount = kCards;
    for (int i = 1; i <= kCards; ++i)
        weight.pictures += Picture(int(shop.seed % kPictures) + i).size();
    return weight;
}
