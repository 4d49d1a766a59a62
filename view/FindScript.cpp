#include "view/FindScript.h"

using namespace Qt::Literals::StringLiterals;

QString findScript()
{
    // The page's text is never touched: the marks are drawn over it, in a
    // layer of the view's own (one element under the root, its marks in its
    // own shadow tree, so no page style reaches them, with inline important
    // styles a page's style cannot undo), multiplied with what is under them.
    // A change to the text would make the engine lay the whole page out again
    // for every mark put in; drawing only the matches near the screen costs
    // the same whatever their number.
    return uR"JS((function () {
  if (window.__sobranieFind) return;
  var f = window.__sobranieFind = {};
  var LayerTag = '%1', MaxDrawn = %2;
  var Xhtml = 'http://www.w3.org/1999/xhtml';
  var CombiningMark = /[\u0300-\u036f\u00ad]/;
  // Unit by unit: a unit whose lower case is two units stays as it is, Σ
  // never becomes the final ς a whole-text lowering would make of it, and
  // a surrogate is left alone; ё is taken for е and combining marks are
  // dropped. origin maps each unit of the folded text back to the text,
  // null when nothing was dropped.
  f.fold = function (s) {
    var lower = null;
    if (!/[\u03a3\u0130\ud800-\udfff]/.test(s)) {
      lower = s.toLowerCase();
      if (lower.length !== s.length) lower = null;
    }
    if (lower === null) {
      var out = [];
      for (var i = 0; i < s.length; ++i) {
        var c = s[i], l = (c >= '\ud800' && c <= '\udfff') ? c : c.toLowerCase();
        out.push(l.length === 1 ? l : c);
      }
      lower = out.join('');
    }
    lower = lower.replace(/ё/g, 'е');
    if (!CombiningMark.test(lower)) return { text: lower, origin: null };
    var kept = [], origin = [];
    for (var k = 0; k < lower.length; ++k) {
      var u = lower.charCodeAt(k);
      if ((u >= 0x300 && u <= 0x36f) || u === 0xad) continue;
      kept.push(lower[k]);
      origin.push(k);
    }
    return { text: kept.join(''), origin: origin };
  };
  var layer = null, marks = null, covered = null;
  var range = document.createRange();
  f.clear = function () {
    if (layer && layer.parentNode) layer.parentNode.removeChild(layer);
    layer = marks = covered = null;
    f.nodes = []; f.starts = []; f.ks = []; f.hits = []; f.ends = []; f.current = -1;
  };
  f.clear();
  // The node holding offset (of the text found in), by its start.
  var nodeAt = function (offset) {
    var lo = 0, hi = f.starts.length - 1;
    while (lo < hi) {
      var mid = (lo + hi + 1) >> 1;
      if (f.starts[mid] <= offset) lo = mid; else hi = mid - 1;
    }
    return lo;
  };
  // Where hit h is on screen: a rectangle for each piece of each line.
  var rectsOf = function (h) {
    var from = f.hits[h], to = f.ends[h], rects = [];
    for (var k = nodeAt(from); k < f.nodes.length && f.starts[k] < to; ++k) {
      var node = f.nodes[k], a = Math.max(from - f.starts[k], 0), b = Math.min(to - f.starts[k], node.data.length);
      if (a >= b || !node.isConnected) continue;
      range.setStart(node, a);
      range.setEnd(node, b);
      var list = range.getClientRects();
      for (var i = 0; i < list.length; ++i) if (list[i].width || list[i].height) rects.push(list[i]);
    }
    return rects;
  };
  var firstRect = function (h) {
    var rects = rectsOf(h);
    return rects.length ? rects[0] : null;
  };
  // The first hit whose line reaches below y (of the screen).
  var firstBelow = function (y) {
    var lo = 0, hi = f.hits.length;
    while (lo < hi) {
      var mid = (lo + hi) >> 1, r = firstRect(mid);
      if (r && r.bottom > y) hi = mid; else lo = mid + 1;
    }
    return lo;
  };
  // The marks' colours and how they lie over the text, as the reader's
  // style says (the theme's).
  var colours = function () {
    var p = (window.__sobranieGuards && window.__sobranieGuards.presentation) || {};
    return { mark: p.mark || '#c7880a', current: p.currentMark || '#d24320', blend: p.blend || 'multiply' };
  };
  f.restyle = function () {
    if (layer && layer.parentNode) layer.parentNode.removeChild(layer);
    layer = marks = covered = null;
    f.draw(true);
  };
  var makeLayer = function () {
    var c = colours();
    layer = document.createElementNS(Xhtml, LayerTag);
    layer.setAttribute('aria-hidden', 'true');
    layer.style.cssText = 'all:initial !important;display:block !important;position:absolute !important;' +
        'left:0 !important;top:0 !important;width:0 !important;height:0 !important;overflow:visible !important;' +
        'visibility:visible !important;pointer-events:none !important;z-index:2147483647 !important;' +
        'mix-blend-mode:' + c.blend + ' !important;';
    var shadow = layer.attachShadow({ mode: 'open' });
    var style = document.createElement('style');
    style.textContent = 'div{position:absolute;background:' + c.mark + ';}div[data-current]{background:' + c.current +
        ';}';
    shadow.appendChild(style);
    marks = document.createElement('div');
    shadow.appendChild(marks);
    document.documentElement.appendChild(layer);
  };
  // Draws the marks of the matches on screen and a screen above and below
  // (the current one always), unless what is drawn still covers the screen.
  f.draw = function (force) {
    if (!f.hits.length || !document.documentElement) return;
    var margin = innerHeight;
    if (!force && covered && scrollY - margin / 2 >= covered.top && scrollY + innerHeight + margin / 2 <= covered.bottom)
      return;
    if (!layer || !layer.isConnected) makeLayer();
    var origin = layer.getBoundingClientRect(), html = [];
    var put = function (h) {
      var rects = rectsOf(h);
      for (var i = 0; i < rects.length; ++i) {
        var r = rects[i];
        html.push('<div style="left:' + (r.left - origin.left) + 'px;top:' + (r.top - origin.top) + 'px;width:' +
            r.width + 'px;height:' + r.height + 'px"' + (h === f.current ? ' data-current' : '') + '></div>');
      }
    };
    var drawnCurrent = false;
    for (var h = firstBelow(-margin), n = 0; h < f.hits.length && n < MaxDrawn; ++h, ++n) {
      var r = firstRect(h);
      if (r && r.top > innerHeight + margin) break;
      put(h);
      drawnCurrent = drawnCurrent || h === f.current;
    }
    if (!drawnCurrent && f.current >= 0) put(f.current);
    marks.innerHTML = html.join('');
    covered = { top: scrollY - margin, bottom: scrollY + innerHeight + margin };
  };
  // Finds phrase on the page: [how many, the current one], the current one
  // (start, or without it the first on screen) in the middle of the view.
  f.find = function (phrase, start) {
    f.clear();
    var wanted = f.fold(phrase).text;
    var G = window.__sobranieGuards;
    if (!document.body || !wanted.trim() || !G) return [0, -1];
    // The text the page shows, in the nodes of the page's own text index:
    // a match's place there is where the reader is taken.
    var idx = G.index(), visible = G.visibility(), text = [], length = 0;
    for (var k = 0; k < idx.nodes.length; ++k) {
      var n = idx.nodes[k];
      if (!visible(n)) continue;
      f.nodes.push(n);
      f.starts.push(length);
      f.ks.push(k);
      text.push(n.data);
      length += n.data.length;
    }
    var whole = text.join(''), folded = f.fold(whole), o = folded.origin;
    for (var i = folded.text.indexOf(wanted); i >= 0; i = folded.text.indexOf(wanted, i + wanted.length)) {
      var from = o ? o[i] : i, to = o ? o[i + wanted.length - 1] + 1 : i + wanted.length;
      // A match takes the combining marks after its last letter with it.
      while (o && to < whole.length && CombiningMark.test(whole[to])) ++to;
      f.hits.push(from);
      f.ends.push(to);
    }
    if (!f.hits.length) return [0, -1];
    var current = start >= 0 ? Math.min(start, f.hits.length - 1) : firstBelow(0);
    var at = f.go(current < f.hits.length ? current : 0);
    return [f.hits.length, at[0], at[1]];
  };
  // The place in the page's text of hit index.
  f.placeOf = function (index) {
    var k = nodeAt(f.hits[index]), G = window.__sobranieGuards, i = f.ks[k];
    return G.index().starts[i] + G.toOffset(i, f.hits[index] - f.starts[k]);
  };
  // Makes hit index the current one, in the middle of the view: [index,
  // where it is in the text a screen reader reads, -1 if nowhere].
  f.go = function (index) {
    if (index < 0 || index >= f.hits.length) return [-1, -1];
    f.current = index;
    var r = firstRect(index), G = window.__sobranieGuards;
    if (r && (r.top < 0 || r.bottom > innerHeight)) {
      window.scrollTo(scrollX, scrollY + r.top - (innerHeight - r.height) / 2);
      // A screen reader's caret stays on the match, not on the line the
      // scroll brings to the top.
      if (G) G.caretHeldAt = scrollY;
    }
    f.draw(true);
    return [index, G ? G.readOffset(f.placeOf(index)) : -1];
  };
  document.addEventListener('scroll', function () { f.draw(false); }, { capture: true, passive: true });
  window.addEventListener('resize', function () { covered = null; f.draw(true); }, true);
})();)JS"_s.arg(QString::fromUtf16(FindMarkTag))
        .arg(MaxDrawnMarks);
}
