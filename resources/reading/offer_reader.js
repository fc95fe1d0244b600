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
    function imageOf(img) {
        if (!img) return '';
        var lazy = ['data-src', 'data-original', 'data-lazy-src', 'data-ks-lazyload'];
        for (var i = 0; i < lazy.length; i++)
            if (img.getAttribute(lazy[i])) return absolute(img.getAttribute(lazy[i]));
        return absolute(img.getAttribute('src') || img.getAttribute('content') || img.getAttribute('href'));
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
            out.push({ name: nameEl ? clean(nameEl.textContent) || clean(nameEl.getAttribute('title')) : '',
                       price: priceText(pick(item, rule.price)),
                       url: absolute(link && link.getAttribute('href')),
                       image: imageOf(pick(item, rule.image) || item.querySelector('img')) });
        }
        return out;
    }

    // A listing page read without rules: the repeated blocks of one container that each hold a
    // link and a price; the largest such group is the results list.
    function priceElements() {
        var list = [], seen = new Set(), visited = 0;
        var walker = document.createTreeWalker(document.body, NodeFilter.SHOW_TEXT, null);
        for (var n = walker.nextNode(); n && visited < 100000; n = walker.nextNode(), visited++) {
            if (!/[0-9\uFF10-\uFF19\u00A5\uFFE5\u5143]/.test(n.nodeValue)) continue;
            var el = n.parentElement, up = 0;
            if (!el || SKIP[el.tagName]) continue;
            // The smallest element around the text that reads as a price ("¥" and "99" may sit apart).
            for (; el && up < 3; el = el.parentElement, up++) {
                var t = el.textContent;
                if (t.length > 40) { el = null; break; }
                if (PRICE.test(t)) break;
            }
            if (!el || up === 3 || seen.has(el)) continue;
            seen.add(el);
            if (!crossedOut(el)) list.push(el);
        }
        return list;
    }
    function offerOfBlock(block, prices) {
        var best = null, bestWeight = -1;
        block.querySelectorAll('a[href]').forEach(function (a) {
            var text = clean(a.textContent) || clean(a.getAttribute('title'));
            if (PRICE.test(text) || !/[^\s0-9.,\-~\u00A5\uFFE5]/.test(text)) return;
            var weight = text.length + (a.closest('h1,h2,h3,h4,h5,h6') || a.querySelector('h1,h2,h3,h4,h5,h6') ? 1000 : 0);
            if (weight > bestWeight) { best = a; bestWeight = weight; }
        });
        if (!best) return null;
        var name = clean(best.textContent) || clean(best.getAttribute('title'));
        return { name: name, price: priceText(prices[0]), url: absolute(best.getAttribute('href')),
                 image: imageOf(block.querySelector('img')) };
    }
    function fromListing() {
        if (!document.body) return [];
        var groups = new Map(); // container -> tag -> block -> its price elements
        priceElements().forEach(function (p) {
            for (var a = p, depth = 0; a && a !== document.body && depth < 12; a = a.parentElement, depth++) {
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
        var best = [], bestPrices = Infinity;
        groups.forEach(function (byTag) {
            byTag.forEach(function (blocks) {
                if (blocks.size < 2) return;
                var offers = [], prices = 0;
                blocks.forEach(function (held, block) {
                    if (held.length > 3 || offers.length >= MAX) return; // a container, not an item
                    var offer = offerOfBlock(block, held);
                    if (offer) { offers.push(offer); prices += held.length; }
                });
                if (offers.length < 2) return;
                var perBlock = prices / offers.length;
                if (offers.length > best.length || offers.length === best.length && perBlock < bestPrices) {
                    best = offers;
                    bestPrices = perBlock;
                }
            });
        });
        return best;
    }

    var result = { base: document.baseURI, structured: [], rules: [], generic: [] };
    // A rule the user taught the program on this shop's page comes before the page's own data.
    if (rule && rule.byUser) result.rules = fromRule();
    if (found(result.rules)) return JSON.stringify(result);
    result.structured = fromJsonLd();
    if (!found(result.structured)) result.structured = result.structured.concat(fromMicrodata());
    if (!found(result.structured)) result.rules = fromRule();
    if (!found(result.structured) && !found(result.rules)) result.generic = fromListing();
    return JSON.stringify(result);
})
