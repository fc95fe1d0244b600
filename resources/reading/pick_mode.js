// Teaching the program a shop's results page: the user clicks one product's name, then its
// price, and this script works out CSS selectors that find every product of the same structure
// (the rule of resources/reading/shoprules.json: item, and inside it name, price, link, image).
//
// It runs in the program's own script world: the page's scripts can neither see it, nor call it,
// nor change what it hands back. Its listeners on the window are put in place before the page's
// scripts run (TPickMode's guard), so while a pick is on, a click follows no link and reaches
// none of the page's handlers. It changes nothing of the page but the outlines of what it shows,
// and puts them back as they were when it stops.
//
// The program polls window.__vanzuPick.poll(version): JSON text of the state when it is newer
// than `version`, {"version": n} otherwise:
//   {"version", "step": "name" | "price" | "result", "message", "cancelled", "rule"}
(function () {
    'use strict';
    if (window.__vanzuPick) {
        window.__vanzuPick.repick();
        return true;
    }
    var MAX = 300;        // items looked at: the reading reads no more
    var SAMPLE = 60;      // items that choose between the selectors of a name or a price
    var MAX_MATCHES = 3000; // an item selector matching more is no item selector
    var MAX_CHOICES = 10; // selectors tried for one part of an item
    var MAX_NAME = 300;
    var MAX_PRICE = 40;
    var LEVELS = 8;       // how far above the picked name and price the item may be
    var LOOK = {
        item: '2px solid #ff6a00',
        name: '2px dashed #1e6fd9',
        price: '2px dashed #d9001b',
        hover: '1px dashed #ff6a00'
    };
    // Classes that tell an element's state or place, not what it is: they differ from item to item.
    var STATE_CLASS = /^(?:active|hover|focus\w*|select\w*|current|cur|on|off|first|last|odd|even|show|hide|hidden|visible|open|lazy\w*|loaded|clearfix|fl|fr|left|right)$/i;

    var state = { version: 1, step: 'name', message: '', cancelled: false, rule: null };
    var picked = { name: null, price: null };
    var outlined = new Map(); // element -> its own outline before
    var hovered = null;
    var stopped = false;

    function clean(s) { return String(s == null ? '' : s).replace(/\s+/g, ' ').trim(); }
    function textOf(el) { return el ? clean(el.textContent) || clean(el.getAttribute('title')) : ''; }
    function hasDigit(s) { return /[0-9\uFF10-\uFF19]/.test(s); }
    function tag(el) { return el.tagName.toLowerCase(); }
    function changed(step, message) {
        if (step) state.step = step;
        state.message = message || '';
        state.version++;
    }

    // Outlines, each element's own outline kept to be put back.
    function outline(el, look) {
        if (!el || !el.style) return;
        if (!outlined.has(el))
            outlined.set(el, [el.style.getPropertyValue('outline'), el.style.getPropertyPriority('outline'),
                              el.hasAttribute('style')]);
        el.style.setProperty('outline', look, 'important');
    }
    function unoutline(el) {
        var before = outlined.get(el);
        if (!before) return;
        outlined.delete(el);
        if (before[0]) el.style.setProperty('outline', before[0], before[1]);
        else el.style.removeProperty('outline');
        if (!before[2] && !clean(el.getAttribute('style'))) el.removeAttribute('style');
    }
    function unoutlineAll() {
        Array.from(outlined.keys()).forEach(unoutline);
        hovered = null;
    }

    // What the user meant by a click: the topmost element at the point that holds fitting text
    // (a transparent layer over a product card holds none).
    function elementAt(x, y, target, fits) {
        var list = [];
        if (target && target.nodeType === 1) list.push(target);
        try {
            document.elementsFromPoint(x, y).forEach(function (el) { if (list.indexOf(el) < 0) list.push(el); });
        } catch (e) { }
        for (var i = 0; i < list.length; i++) {
            var el = list[i];
            if (el === document.body || el === document.documentElement) break;
            if (fits(el)) return el;
        }
        return null;
    }
    // From the clicked inline element (a highlighted word of a name, the digits of a price) up to
    // the whole name or price, never taking in `other`.
    function widen(el, other, maxText) {
        while (el.parentElement && el.parentElement !== document.body && el.tagName !== 'A'
               && getComputedStyle(el).display === 'inline' && !el.parentElement.contains(other)
               && clean(el.parentElement.textContent).length <= maxText)
            el = el.parentElement;
        return el;
    }

    function stableClasses(el) {
        var out = [];
        for (var i = 0; i < el.classList.length && out.length < 4; i++) {
            var c = el.classList[i];
            // Numbered classes ("item-1024", "sku_100012") name one item, not the kind.
            if (c.length > 40 || STATE_CLASS.test(c) || /[0-9]{3,}/.test(c)) continue;
            out.push(c);
        }
        return out;
    }
    function stepOf(el, classes) {
        var s = CSS.escape(tag(el));
        classes.forEach(function (c) { s += '.' + CSS.escape(c); });
        return s;
    }
    // The element's own id when it is one of a kind and not a number of the moment.
    function stableId(el) {
        var id = el && el.id;
        if (!id || id.length > 40 || /[0-9]{3,}/.test(id)) return '';
        try { return document.querySelectorAll('#' + CSS.escape(id)).length === 1 ? id : ''; } catch (e) { return ''; }
    }
    function sameKind(a, b) {
        return a.tagName === b.tagName && stableClasses(a).join(' ') === stableClasses(b).join(' ');
    }
    function pickIn(root, sel) {
        if (!sel) return null;
        try { return root.querySelector(sel); } catch (e) { return null; }
    }

    // Selectors for the item `item` itself, the most telling first: its kind by its classes,
    // alone, under the nearest ancestor with an id of its own or under its parent; its bare tag
    // only under one of them, or at last alone.
    function itemSelectors(item) {
        var classes = stableClasses(item), kinds = [];
        if (classes.length) kinds.push(stepOf(item, classes));
        if (classes.length > 1) classes.forEach(function (c) { kinds.push(stepOf(item, [c])); });
        var contexts = [];
        for (var a = item.parentElement; a && a !== document.body; a = a.parentElement) {
            var id = stableId(a);
            if (id) { contexts.push('#' + CSS.escape(id) + ' '); break; }
        }
        var parent = item.parentElement;
        if (parent && parent !== document.body) {
            var parentId = stableId(parent);
            contexts.push((parentId ? '#' + CSS.escape(parentId) : stepOf(parent, stableClasses(parent))) + ' > ');
        }
        var out = [];
        function add(sel) { if (out.indexOf(sel) < 0) out.push(sel); }
        kinds.forEach(add);
        contexts.forEach(function (context) { kinds.forEach(function (k) { add(context + k); }); });
        contexts.forEach(function (context) { add(context + stepOf(item, [])); });
        add(stepOf(item, []));
        return out;
    }

    // Selectors that find `target` as the first of its kind inside `item`, shortest first; a
    // position (:nth-of-type) only when nothing else tells it apart.
    function relativeSelectors(item, target) {
        var out = [], chain = [];
        for (var e = target; e && e !== item; e = e.parentElement) chain.push(e);
        function add(sel) {
            if (out.length < MAX_CHOICES && out.indexOf(sel) < 0 && pickIn(item, sel) === target) out.push(sel);
        }
        // Inside one item a single class seldom meets another element: the fewer the better.
        var classes = stableClasses(target), own = classes.map(function (c) { return stepOf(target, [c]); });
        if (classes.length > 1) own.push(stepOf(target, classes));
        own.push(stepOf(target, []));
        own.forEach(add);
        for (var i = 1; i < chain.length; i++) {
            var up = stableClasses(chain[i]), ups = up.map(function (c) { return stepOf(chain[i], [c]); });
            if (up.length > 1) ups.push(stepOf(chain[i], up));
            ups.forEach(function (u) { own.forEach(function (o) { add(u + ' ' + o); }); });
        }
        var path = chain.slice().reverse();
        add(':scope > ' + path.map(function (el) { return stepOf(el, stableClasses(el)); }).join(' > '));
        if (!out.length) {
            add(':scope > ' + path.map(function (el) {
                var n = 1;
                for (var s = el.previousElementSibling; s; s = s.previousElementSibling)
                    if (s.tagName === el.tagName) n++;
                return stepOf(el, stableClasses(el)) + ':nth-of-type(' + n + ')';
            }).join(' > '));
        }
        return out;
    }
    // Of `selectors`, the one that finds a fitting element of the target's kind in most items.
    function bestRelative(items, selectors, target, fits) {
        var best = null, bestCount = 0;
        selectors.forEach(function (sel) {
            var count = 0;
            items.forEach(function (item) {
                var el = pickIn(item, sel);
                if (el && el.tagName === target.tagName && fits(el)) count++;
            });
            if (count > bestCount) { best = sel; bestCount = count; }
        });
        return { sel: best, count: bestCount };
    }
    function nameFits(el) { var t = textOf(el); return t.length > 0 && t.length <= MAX_NAME; }
    function priceFits(el) { var t = clean(el.textContent); return hasDigit(t) && t.length <= MAX_PRICE; }
    function linkFits(el) { return !!el.getAttribute('href'); }
    function imageFits() { return true; }

    // How well one item selector reads the page: the items it finds a name and a price in
    // ("good"), and the matches without them ("bad").
    function judge(sel, order, item, names, prices, level) {
        var all;
        try { all = document.querySelectorAll(sel); } catch (e) { return null; }
        if (all.length > MAX_MATCHES || Array.prototype.indexOf.call(all, item) < 0) return null;
        var items = Array.prototype.slice.call(all, 0, MAX);
        // Matches inside matches would read one product twice.
        for (var i = 0; i < items.length; i++)
            if (items[i].parentElement && items[i].parentElement.closest(sel)) return null;
        // A heavy page has thousands of candidates: a sample of the items chooses.
        var sample = items.slice(0, SAMPLE);
        var name = bestRelative(sample, names, picked.name, nameFits);
        var price = bestRelative(sample, prices, picked.price, priceFits);
        if (!name.sel || !price.sel) return null;
        var good = 0;
        items.forEach(function (it) {
            var n = pickIn(it, name.sel), p = pickIn(it, price.sel);
            if (n && p && nameFits(n) && priceFits(p) && sameKind(n, picked.name)) good++;
        });
        return { item: sel, name: name.sel, price: price.sel, items: items, good: good,
                 bad: all.length - good, level: level, order: order };
    }
    function better(a, b) {
        if (!b) return true;
        if (a.good !== b.good) return a.good > b.good;
        if (a.bad !== b.bad) return a.bad < b.bad;
        // As much of the product as reads the same (its picture and link too).
        if (a.level !== b.level) return a.level > b.level;
        return a.order < b.order;
    }
    // The first element that `fits`, looking outward from the name until the item's edge.
    function nearby(itemEl, from, sel) {
        for (var e = from; e && e !== itemEl.parentElement; e = e.parentElement) {
            if (e.matches(sel)) return e;
            var found = e.querySelector(sel);
            if (found) return found;
        }
        return null;
    }

    function derive() {
        var nameEl = picked.name, priceEl = picked.price;
        var common = nameEl.parentElement;
        while (common && !common.contains(priceEl)) common = common.parentElement;
        var best = null;
        for (var level = 0, item = common; item && item !== document.body && item !== document.documentElement
             && level < LEVELS; item = item.parentElement, level++) {
            var names = relativeSelectors(item, nameEl), prices = relativeSelectors(item, priceEl);
            if (!names.length || !prices.length) continue;
            itemSelectors(item).forEach(function (sel, order) {
                var found = judge(sel, order, item, names, prices, level);
                if (found && found.good > 0 && better(found, best)) best = Object.assign(found, { el: item });
            });
        }
        if (!best) return null;
        var rule = { item: best.item, name: best.name, price: best.price };
        var link = nameEl.closest('a[href]');
        if (!link || !best.el.contains(link) || link === best.el) link = nearby(best.el, nameEl, 'a[href]');
        if (link && link !== best.el) {
            var links = bestRelative(best.items.slice(0, SAMPLE), relativeSelectors(best.el, link), link, linkFits);
            if (links.sel) rule.link = links.sel;
        }
        var image = nearby(best.el, nameEl, 'img');
        if (image) {
            var images = bestRelative(best.items.slice(0, SAMPLE), relativeSelectors(best.el, image), image, imageFits);
            if (images.sel) rule.image = images.sel;
        }
        return { rule: rule, items: best.items };
    }

    function showRecognised(items, rule) {
        unoutlineAll();
        items.forEach(function (item) {
            outline(item, LOOK.item);
            outline(pickIn(item, rule.name), LOOK.name);
            outline(pickIn(item, rule.price), LOOK.price);
        });
    }

    function pickAt(x, y, target) {
        if (state.step === 'name') {
            var name = elementAt(x, y, target, nameFits);
            if (!name) { changed('name', 'noName'); return; }
            picked.name = name;
            unoutlineAll();
            outline(name, LOOK.name);
            changed('price');
        } else if (state.step === 'price') {
            var price = elementAt(x, y, target, priceFits);
            if (!price) { changed('price', 'noPrice'); return; }
            if (price === picked.name || price.contains(picked.name) || picked.name.contains(price)) {
                changed('price', 'priceInName');
                return;
            }
            picked.name = widen(picked.name, price, MAX_NAME);
            picked.price = widen(price, picked.name, MAX_PRICE);
            var found = null;
            try { found = derive(); } catch (e) { found = null; }
            if (!found) {
                picked.name = picked.price = null;
                unoutlineAll();
                changed('name', 'noStructure');
                return;
            }
            state.rule = found.rule;
            showRecognised(found.items, found.rule);
            changed('result');
        }
    }

    function hover(el) {
        if (state.step === 'result' || el === hovered || !el || el.nodeType !== 1) return;
        if (hovered && hovered !== picked.name) unoutline(hovered);
        hovered = null;
        if (el === document.body || el === document.documentElement || outlined.has(el)) return;
        hovered = el;
        outline(el, LOOK.hover);
    }

    var pick = {
        event: function (e) {
            if (stopped) return;
            if (e.type === 'mouseover') { hover(e.target); return; }
            if (e.type === 'keydown') {
                if (e.key === 'Escape') {
                    e.preventDefault();
                    e.stopImmediatePropagation();
                    state.cancelled = true;
                    changed();
                }
                return;
            }
            e.preventDefault();
            e.stopImmediatePropagation();
            if (e.type === 'click' && e.button === 0) pickAt(e.clientX, e.clientY, e.target);
        },
        poll: function (known) {
            if (known === state.version) return JSON.stringify({ version: state.version });
            return JSON.stringify(state);
        },
        repick: function () {
            picked.name = picked.price = null;
            state.rule = null;
            unoutlineAll();
            changed('name');
        },
        stop: function () {
            stopped = true;
            unoutlineAll();
            delete window.__vanzuPick;
        }
    };
    window.__vanzuPick = pick;
    return true;
})();
