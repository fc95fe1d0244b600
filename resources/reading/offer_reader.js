// Reads the offers of a shop's search-results page. It runs in the program's own script world,
// where the page's scripts can neither see it nor change what it hands back; it only reads the
// document. The program appends the call with the shop's rule (or null), and gets JSON text:
//   {"base": address, "structured": [...], "rules": [...], "generic": [...]}
// each list holding {"name", "price", "url", "image"} as found; prices and addresses are
// checked by the program. A later way is tried only when the ones before found nothing; a rule
// of the user's own ("byUser") is tried first.
(function (rule) {
    'use strict';
    var MAX = 300;
    var PRICE = /(?:[\u00A5\uFFE5]|RMB|CNY)\s*[0-9\uFF10-\uFF19]|[0-9\uFF10-\uFF19][0-9\uFF10-\uFF19.,\uFF0E\uFF0C]*\s*\u4E07?\s*\u5143/i;
    var SKIP = { SCRIPT: 1, STYLE: 1, NOSCRIPT: 1, TEXTAREA: 1, OPTION: 1, SELECT: 1, BUTTON: 1, TEMPLATE: 1 };

    function clean(s) { return String(s == null ? '' : s).replace(/\s+/g, ' ').trim(); }
    function absolute(raw) {
        raw = clean(raw);
        if (!raw) return '';
        try { return new URL(raw, document.baseURI).href; } catch (e) { return ''; }
    }
    function struck(el) {
        if (el.tagName === 'DEL' || el.tagName === 'S' || el.tagName === 'STRIKE') return true;
        var line = getComputedStyle(el).textDecorationLine || '';
        return line.indexOf('line-through') >= 0;
    }
    // The element or one of its ancestors is crossed out.
    function crossedOut(el) {
        for (var e = el; e && e !== document.body; e = e.parentElement)
            if (struck(e)) return true;
        return false;
    }
    // The element's text without the crossed-out parts inside it (old prices).
    function priceText(el) {
        if (!el) return '';
        var out = '';
        var walker = document.createTreeWalker(el, NodeFilter.SHOW_TEXT, null);
        for (var n = walker.nextNode(); n; n = walker.nextNode()) {
            var keep = true;
            for (var e = n.parentElement; e && keep; e = e === el ? null : e.parentElement)
                if (struck(e)) keep = false;
            if (keep) out += n.nodeValue;
        }
        return clean(out);
    }
    // Pictures that load lazily keep their address in an attribute of their own until shown;
    // their `src` is a placeholder then.
    var LAZY = ['data-src', 'data-original', 'data-lazy-src', 'data-lazy-img', 'data-lazyload',
                'data-ks-lazyload', 'data-img', 'data-url', 'data-echo', 'lazy-src', 'original'];
    function imageOf(img) {
        if (!img) return '';
        for (var i = 0; i < LAZY.length; i++)
            if (img.getAttribute(LAZY[i])) return absolute(img.getAttribute(LAZY[i]));
        var set = img.getAttribute('data-srcset') || img.getAttribute('data-lazy-srcset');
        if (set) return absolute(set.trim().split(/[\s,]+/)[0]);
        return absolute(img.getAttribute('src') || img.getAttribute('content') || img.getAttribute('href'));
    }
    // A shown name cut short ("…", "...") gives way to the whole one, in the link's title or a
    // picture's alt text, when that begins as the shown one does; a title that says something
    // else (a promotion) is not a name.
    var CUT = /(\u2026+|\.{3,}|\u3002{3,})$/;
    function fullName(shown, candidates) {
        shown = clean(shown);
        var stem = clean(shown.replace(CUT, ''));
        if (shown && !CUT.test(shown)) return shown;
        for (var i = 0; i < candidates.length; i++) {
            var whole = clean(candidates[i]);
            if (!whole || CUT.test(whole)) continue;
            if (!shown) return whole;
            if (whole.length > stem.length && whole.slice(0, stem.length) === stem) return whole;
        }
        return shown;
    }
    function nameOfLink(a, block) {
        var alts = [a.getAttribute('title')];
        (block || a).querySelectorAll('img[alt]').forEach(function (img) { alts.push(img.getAttribute('alt')); });
        return fullName(a.textContent, alts);
    }
    function found(list) {
        return list.some(function (o) { return o.name && /[0-9\uFF10-\uFF19]/.test(o.price); });
    }

    // schema.org as JSON-LD: Product with Offer or AggregateOffer, also inside ItemList and @graph.
    function isType(o, name) {
        var t = o['@type'];
        return (Array.isArray(t) ? t : [t]).some(function (x) {
            return typeof x === 'string' && (x === name || /[\/:]/.test(x) && x.split(/[\/:]/).pop() === name);
        });
    }
    function offerPrice(o) {
        if (!o || typeof o !== 'object') return '';
        if (Array.isArray(o)) {
            for (var i = 0; i < o.length; i++) { var p = offerPrice(o[i]); if (p) return p; }
            return '';
        }
        if (o.lowPrice != null) return clean(o.lowPrice);
        if (o.price != null) return clean(o.price);
        if (o.priceSpecification) return offerPrice(o.priceSpecification);
        return offerPrice(o.offers);
    }
    function ldImage(v) {
        if (Array.isArray(v)) return ldImage(v[0]);
        if (v && typeof v === 'object') return absolute(v.url || v.contentUrl);
        return typeof v === 'string' ? absolute(v) : '';
    }
    function fromJsonLd() {
        var out = [];
        function walk(v, url, depth) {
            if (!v || typeof v !== 'object' || depth > 12 || out.length >= MAX) return;
            if (Array.isArray(v)) { v.forEach(function (x) { walk(x, url, depth + 1); }); return; }
            if (isType(v, 'Product')) {
                var offers = v.offers && !Array.isArray(v.offers) ? v.offers : {};
                out.push({ name: clean(v.name), price: offerPrice(v.offers),
                           url: absolute(v.url || offers.url || url), image: ldImage(v.image) });
                return;
            }
            if (isType(v, 'ListItem')) { walk(v.item, v.url || (v.item && v.item.url), depth + 1); return; }
            for (var k in v)
                if (Object.prototype.hasOwnProperty.call(v, k)) walk(v[k], url, depth + 1);
        }
        document.querySelectorAll('script[type="application/ld+json" i]').forEach(function (s) {
            try { walk(JSON.parse(s.textContent), '', 0); } catch (e) { }
        });
        return out;
    }

    // schema.org as microdata: itemprop="price" (its content attribute first) inside a Product.
    var PRODUCT = '[itemscope][itemtype*="schema.org/Product" i]';
    function ownProp(item, name) {
        var all = item.querySelectorAll('[itemprop~="' + name + '" i]');
        for (var i = 0; i < all.length; i++)
            if (all[i].parentElement.closest('[itemscope]') === item) return all[i];
        return null;
    }
    function propValue(el) {
        if (!el) return '';
        if (el.hasAttribute('content')) return clean(el.getAttribute('content'));
        return clean(el.textContent);
    }
    function fromMicrodata() {
        var out = [];
        document.querySelectorAll(PRODUCT).forEach(function (item) {
            if (out.length >= MAX || item.parentElement && item.parentElement.closest(PRODUCT)) return;
            var price = item.querySelector('[itemprop~="lowPrice" i]') || item.querySelector('[itemprop~="price" i]');
            var url = ownProp(item, 'url');
            var link = item.tagName === 'A' ? item : item.querySelector('a[href]');
            out.push({ name: propValue(ownProp(item, 'name')),
                       price: !price ? '' : price.hasAttribute('content') ? clean(price.getAttribute('content')) : priceText(price),
                       url: url ? absolute(url.getAttribute('href') || url.getAttribute('content') || url.textContent)
                                : absolute(link && link.getAttribute('href')),
                       image: imageOf(ownProp(item, 'image')) });
        });
        return out;
    }

    // The shop's own rule: CSS selectors for the item and, inside it, its parts.
    function fromRule() {
        var out = [];
        if (!rule || !rule.item) return out;
        function pick(root, sel) {
            if (!sel) return null;
            try { return root.querySelector(sel); } catch (e) { return null; }
        }
        var items;
        try { items = document.querySelectorAll(rule.item); } catch (e) { return out; }
        for (var i = 0; i < items.length && out.length < MAX; i++) {
            var item = items[i];
            var nameEl = pick(item, rule.name);
            var link = pick(item, rule.link) || (nameEl && nameEl.closest('a[href]'))
                || (item.tagName === 'A' ? item : item.querySelector('a[href]'));
            out.push({ name: nameEl ? fullName(nameEl.textContent, [nameEl.getAttribute('title'),
                                                                     link && link.getAttribute('title')]) : '',
                       price: priceText(pick(item, rule.price)),
                       url: absolute(link && link.getAttribute('href')),
                       image: imageOf(pick(item, rule.image) || item.querySelector('img')) });
        }
        return out;
    }

    // A listing page read without rules: the repeated blocks of one container that each hold a
    // link and a price. Which price of a block is its price, which blocks are items and which
    // lists are results is decided by what the page shows and says, not by counting prices.

    // Words before a price that make it some other price than the item's own: after a coupon, for
    // members, a saving, a threshold for free delivery, an old or reference price.
    var QUALIFIED = /(券后|用券|券|会员|PLUS|VIP|SVIP|节省|省|满|减|运费|邮费|包邮|原价|市场价|参考价|吊牌价|专柜价|划线价|定金|订金|返|补贴|立减|直降|赠)\s*(价|:|：)?\s*$/i;
    // Recommendations, rankings and carts are built like results but are not them.
    var NOT_RESULTS = /猜你喜欢|热销推荐|热卖推荐|看了又看|买了又买|为你推荐|精选推荐|人气推荐|相关推荐|掌柜推荐|同类推荐|推荐商品|你可能还喜欢|大家都在看|还浏览了|还购买了|销售排行|销量排行|热销榜|排行榜|购物车|已加入购物车|最近浏览|浏览记录/;
    var NOT_RESULTS_CLASS = /recommend|guess|you-?like|also-?(buy|view)|hot-?sale|rank|history|mini-?cart|cart-?list|swiper|slider|carousel|slick/i;
    // A page that says it found nothing shows recommendations in place of results.
    // (A mini cart's "共0件商品" is no such word.)
    var NOTHING_FOUND = /抱歉[，,\s]*(没有|未能?)找到|没有找到(与|和)?.{0,30}?相关的?(商品|宝贝|结果)|(找到|搜到|搜索到)\s*0\s*(个|件|条)|(^|[^0-9.,])0\s*(个|条)(相关)?结果/;
    function nothingFound() {
        return !!document.body && NOTHING_FOUND.test(clean(document.body.innerText).slice(0, 20000));
    }

    function hidden(el, style) {
        if (style.display === 'none' || style.visibility === 'hidden') return true;
        var rect = el.getBoundingClientRect();
        // Copies for screen readers: a pixel in size, clipped, or far off the page.
        return rect.width <= 1 || rect.height <= 1 || rect.right < 0 || rect.bottom < 0
            || style.clip === 'rect(0px, 0px, 0px, 0px)' || style.clipPath === 'inset(50%)';
    }
    // The text that stands right before `el` inside `block`, its own text before the price first.
    function textBefore(el, block, own) {
        var before = own.replace(/(?:[\u00A5\uFFE5]|RMB|CNY)?\s*[0-9\uFF10-\uFF19][\s\S]*$/i, '');
        for (var e = el; e && e !== block && before.length < 8; e = e.parentElement)
            for (var sib = e.previousSibling; sib && before.length < 8; sib = sib.previousSibling)
                before = (sib.nodeType === 1 && crossedOut(sib) ? '' : sib.textContent || '') + before;
        return clean(before).slice(-8);
    }
    function classOf(el) {
        return el ? (el.id || '') + ' ' + (typeof el.className === 'string' ? el.className : '') : '';
    }
    // Old and reference prices that a style sheet does not cross out, by the names shops give them.
    var OLD_CLASS = /(^|[-_\s])(old|origin|original|market|del|was|strike)([-_\s]|price|$)/i;
    var BARE = /^\s*[0-9\uFF10-\uFF19][0-9\uFF10-\uFF19,]*([.\uFF0E][0-9\uFF10-\uFF19]{1,2})?\s*$/;
    // A bare number is a price where the page names its element so ("price", "J_price").
    function pricedByName(text) {
        if (!BARE.test(text.nodeValue)) return null;
        for (var e = text.parentElement, up = 0; e && up < 2; e = e.parentElement, up++)
            if (/price/i.test(classOf(e) + ' ' + (e.getAttribute('itemprop') || ''))) return e;
        return null;
    }
    // The text that follows `el` inside `block` (a delivery fee says so after its amount).
    function textAfter(el, block) {
        var after = '';
        for (var e = el; e && e !== block && after.length < 4; e = e.parentElement)
            for (var sib = e.nextSibling; sib && after.length < 4; sib = sib.nextSibling)
                after += sib.textContent || '';
        return clean(after);
    }
    // Every element that reads as a price ("¥" and "99" may sit apart), with what the page shows
    // of it: hidden or not, how large, crossed out or not.
    function priceElements() {
        var list = [], seen = new Set(), visited = 0;
        var walker = document.createTreeWalker(document.body, NodeFilter.SHOW_TEXT, null);
        for (var n = walker.nextNode(); n && visited < 100000; n = walker.nextNode(), visited++) {
            if (!/[0-9\uFF10-\uFF19\u00A5\uFFE5\u5143]/.test(n.nodeValue)) continue;
            var el = n.parentElement, up = 0;
            if (!el || SKIP[el.tagName]) continue;
            // The smallest element around the text that reads as a price.
            for (; el && up < 4; el = el.parentElement, up++) {
                var t = el.textContent;
                if (t.length > 40) { el = null; break; }
                if (PRICE.test(t)) break;
            }
            if (!el || up === 4) el = pricedByName(n);
            if (!el || seen.has(el)) continue;
            seen.add(el);
            if (crossedOut(el) || OLD_CLASS.test(classOf(el)) || OLD_CLASS.test(classOf(el.parentElement))) continue;
            var style = getComputedStyle(el);
            list.push({ el: el, hidden: hidden(el, style), size: parseFloat(style.fontSize) || 0,
                        bold: parseInt(style.fontWeight, 10) >= 600 });
        }
        // Of nested matches only the innermost counts ("券后¥2799" inside a larger price box).
        var outer = new Set();
        list.forEach(function (p) {
            for (var e = p.el.parentElement, up = 0; e && up < 4; e = e.parentElement, up++)
                if (seen.has(e)) outer.add(e);
        });
        return list.filter(function (p) { return !outer.has(p.el); });
    }
    // The block's own price: the most prominent one it shows that is not qualified as another
    // kind of price; a copy for screen readers only when nothing is shown.
    function mainPrice(block, prices) {
        var best = null, fallback = null;
        prices.forEach(function (p) {
            var own = priceText(p.el);
            if (QUALIFIED.test(textBefore(p.el, block, own)) || /^\s*(运费|邮费|配送费)/.test(textAfter(p.el, block))
                || /coupon|vip|member|plus/i.test(classOf(p.el) + ' ' + classOf(p.el.parentElement))) return;
            if (p.hidden) { fallback = fallback || p; return; }
            if (!best || p.size > best.size || p.size === best.size && p.bold && !best.bold) best = p;
        });
        best = best || fallback;
        return best ? priceText(best.el) : '';
    }
    // The block's name: the link that names the product (the one its picture leads to, or the
    // most prominent text link).
    function offerOfBlock(block, prices) {
        var price = mainPrice(block, prices);
        if (!price) return null;
        var pictureLinks = new Set();
        block.querySelectorAll('a[href] img').forEach(function (img) {
            pictureLinks.add(img.closest('a[href]').getAttribute('href'));
        });
        var best = null, bestWeight = -1, bestName = null;
        var links = Array.prototype.slice.call(block.querySelectorAll('a[href]'));
        if (block.matches('a[href]')) links.unshift(block);
        links.forEach(function (a) {
            // A link around the whole card holds the price too: its name is the title inside it.
            var card = PRICE.test(a.textContent) || prices.some(function (p) { return a.contains(p.el); });
            var named = card ? cardTitle(a) : a;
            if (!named) return;
            var text = clean(named.textContent) || clean(a.getAttribute('title'));
            if (!card && PRICE.test(text) || !/[^\s0-9.,\-~\u00A5\uFFE5]/.test(text)) return;
            var weight = text.length
                + (a.closest('h1,h2,h3,h4,h5,h6') || named.querySelector('h1,h2,h3,h4,h5,h6') ? 1000 : 0)
                + (pictureLinks.has(a.getAttribute('href')) || card ? 500 : 0);
            if (weight > bestWeight) { best = a; bestWeight = weight; bestName = named; }
        });
        if (!best) return null;
        var picture = best.querySelector('img');
        if (!picture)
            block.querySelectorAll('a[href] img').forEach(function (img) {
                if (!picture && img.closest('a[href]').getAttribute('href') === best.getAttribute('href')) picture = img;
            });
        var name = bestName === best ? nameOfLink(best, block)
                                     : fullName(bestName.textContent, [bestName.getAttribute('title'), best.getAttribute('title')]);
        return { name: name, price: price, url: absolute(best.getAttribute('href')),
                 image: imageOf(picture || block.querySelector('img')) };
    }
    // The element that names the product inside a link around a whole card: one named as a
    // title, else the longest text in it that is not a price.
    function cardTitle(a) {
        var titled = a.querySelector('[class*="title" i], [class*="name" i], h1, h2, h3, h4, h5, h6');
        if (titled && clean(titled.textContent) && !PRICE.test(titled.textContent)) return titled;
        var best = null, length = 0;
        a.querySelectorAll('*').forEach(function (e) {
            if (e.children.length || SKIP[e.tagName]) return;
            var text = clean(e.textContent);
            if (text.length > length && !PRICE.test(text) && /[^\s0-9.,]/.test(text)) { best = e; length = text.length; }
        });
        return best;
    }
    // Whether a list stands under a heading or in a box that says it is no results list.
    function notResults(list) {
        for (var e = list, up = 0; e && e !== document.body && up < 4; e = e.parentElement, up++) {
            if (NOT_RESULTS_CLASS.test((e.id || '') + ' ' + (typeof e.className === 'string' ? e.className : ''))
                || NOT_RESULTS.test(e.getAttribute('aria-label') || '')) return true;
            for (var sib = e.previousElementSibling; sib; sib = sib.previousElementSibling) {
                var text = clean(sib.textContent);
                if (!text) continue;
                if (text.length <= 30 && NOT_RESULTS.test(text)) return true;
                break; // only the nearest heading counts
            }
        }
        // A heading inside the list itself, before its items.
        for (var c = list.firstElementChild; c; c = c.nextElementSibling) {
            var own = clean(c.textContent);
            if (own.length <= 30 && NOT_RESULTS.test(own)) return true;
            if (own.length > 30) break;
        }
        return false;
    }
    function signature(el) {
        return el.tagName + '.' + (typeof el.className === 'string' ? el.className.trim().split(/\s+/).sort().join('.') : '');
    }
    // What most blocks of a list are made as (a sponsored item may carry a class of its own).
    function blockKind(list) {
        var counts = new Map(), kind = '', most = 0;
        list.blocks.forEach(function (b) {
            var k = signature(b), n = (counts.get(k) || 0) + 1;
            counts.set(k, n);
            if (n > most) { most = n; kind = k; }
        });
        return kind;
    }
    function fromListing() {
        if (!document.body) return [];
        var groups = new Map(); // container -> tag -> block -> its price elements
        priceElements().forEach(function (p) {
            for (var a = p.el, depth = 0; a && a !== document.body && depth < 12; a = a.parentElement, depth++) {
                var parent = a.parentElement;
                if (!parent) break;
                var byTag = groups.get(parent);
                if (!byTag) groups.set(parent, byTag = new Map());
                var blocks = byTag.get(a.tagName);
                if (!blocks) byTag.set(a.tagName, blocks = new Map());
                var held = blocks.get(a);
                if (!held) blocks.set(a, held = []);
                held.push(p);
            }
        });
        // Each repeated group's offers; a list whose blocks each hold an offer makes every
        // element around it a container, which is never an item itself.
        var lists = [], containers = new Set();
        groups.forEach(function (byTag, parent) {
            byTag.forEach(function (blocks) {
                if (blocks.size < 2) return;
                var offers = [], priced = [];
                blocks.forEach(function (held, block) {
                    var offer = offerOfBlock(block, held);
                    if (offer) { offers.push(offer); priced.push(block); }
                });
                if (offers.length < 2) return;
                for (var e = parent; e && !containers.has(e); e = e.parentElement) containers.add(e);
                lists.push({ parent: parent, offers: offers, blocks: priced });
            });
        });
        lists = lists.filter(function (l) {
            return !l.blocks.some(function (b) { return containers.has(b); }) && !notResults(l.parent);
        });
        if (!lists.length) return [];
        lists.sort(function (x, y) { return y.offers.length - x.offers.length; });
        var best = lists[0], kind = blockKind(best), home = signature(best.parent);
        // The results may be cut into rows: lists of the same make beside the largest join it, in
        // the page's order.
        var results = lists.filter(function (l) {
            return l === best || signature(l.parent) === home && blockKind(l) === kind;
        });
        results.sort(function (x, y) {
            return x.parent.compareDocumentPosition(y.parent) & Node.DOCUMENT_POSITION_FOLLOWING ? -1 : 1;
        });
        var out = [];
        results.forEach(function (l) { out = out.concat(l.offers); });
        return out.slice(0, MAX);
    }

    var result = { base: document.baseURI, structured: [], rules: [], generic: [] };
    if (nothingFound()) return JSON.stringify(result);
    // A rule the user taught the program on this shop's page comes before the page's own data.
    if (rule && rule.byUser) result.rules = fromRule();
    if (found(result.rules)) return JSON.stringify(result);
    result.structured = fromJsonLd();
    if (!found(result.structured)) result.structured = result.structured.concat(fromMicrodata());
    if (!found(result.structured)) result.rules = fromRule();
    if (!found(result.structured) && !found(result.rules)) result.generic = fromListing();
    return JSON.stringify(result);
})
