#include "view/FindScript.h"

using namespace Qt::Literals::StringLiterals;

QString findScript()
{
    return uR"JS((function () {
  if (window.__sobranieFind) return;
  var f = window.__sobranieFind = { marks: [] };
  var Marked = 'background:#fde74c;color:#000;', Current = 'background:#ff9632;color:#000;';
  // Unit by unit: a unit whose lower case is two units stays as it is, and
  // Σ never becomes the final ς a whole-text lowering would make of it.
  f.fold = function (s) {
    if (!/[\u03a3\u0130]/.test(s)) {
      var lower = s.toLowerCase();
      if (lower.length === s.length) return lower.replace(/ё/g, 'е');
    }
    var out = [];
    for (var i = 0; i < s.length; ++i) {
      var c = s[i], l = c.toLowerCase();
      out.push(l.length === 1 ? (l === 'ё' ? 'е' : l) : c);
    }
    return out.join('');
  };
  f.style = function (spans, css) {
    for (var i = 0; i < spans.length; ++i) spans[i].style.cssText = css.replace(/;/g, ' !important;');
  };
  f.clear = function () {
    var parents = [];
    for (var i = 0; i < f.marks.length; ++i) {
      var spans = f.marks[i] || [];
      for (var j = 0; j < spans.length; ++j) {
        var s = spans[j], p = s.parentNode;
        if (!p) continue;
        while (s.firstChild) p.insertBefore(s.firstChild, s);
        p.removeChild(s);
        parents.push(p);
      }
    }
    for (var k = 0; k < parents.length; ++k) parents[k].normalize();
    f.marks = [];
    f.current = -1;
  };
  f.wrap = function (nodes, starts, from, length) {
    // The text nodes the match runs through, last first, so the offsets of
    // what comes before stay as they were.
    var lo = 0, hi = starts.length - 1;
    while (lo < hi) {
      var mid = (lo + hi + 1) >> 1;
      if (starts[mid] <= from) lo = mid; else hi = mid - 1;
    }
    var end = from + length, last = lo;
    while (last + 1 < nodes.length && starts[last + 1] < end) ++last;
    var spans = [];
    for (var k = last; k >= lo; --k) {
      var a = Math.max(from - starts[k], 0), b = Math.min(end - starts[k], nodes[k].data.length);
      if (a >= b) continue;
      var range = document.createRange(), span = document.createElement('span');
      range.setStart(nodes[k], a);
      range.setEnd(nodes[k], b);
      range.surroundContents(span);
      spans.unshift(span);
    }
    f.style(spans, Marked);
    return spans;
  };
  f.find = function (phrase) {
    f.clear();
    var wanted = f.fold(phrase);
    if (!document.body || !wanted.trim()) return 0;
    var walker = document.createTreeWalker(document.body, NodeFilter.SHOW_TEXT), nodes = [], starts = [], text = [];
    var length = 0;
    for (var n; (n = walker.nextNode());) {
      var tag = n.parentNode && n.parentNode.localName;
      if (tag === 'script' || tag === 'style' || tag === 'title' || tag === 'textarea') continue;
      nodes.push(n);
      starts.push(length);
      text.push(n.data);
      length += n.data.length;
    }
    var folded = f.fold(text.join('')), hits = [];
    for (var i = folded.indexOf(wanted); i >= 0; i = folded.indexOf(wanted, i + wanted.length)) hits.push(i);
    var marked = Math.min(hits.length, %1);
    f.marks = new Array(marked);
    for (var h = marked - 1; h >= 0; --h) f.marks[h] = f.wrap(nodes, starts, hits[h], wanted.length);
    return hits.length;
  };
  f.go = function (index) {
    if (f.current >= 0 && f.marks[f.current]) f.style(f.marks[f.current], Marked);
    f.current = index;
    var spans = f.marks[index];
    if (!spans || !spans.length) return index;
    f.style(spans, Current);
    spans[0].scrollIntoView({ block: 'center', inline: 'nearest' });
    return index;
  };
})();)JS"_s.arg(MaxFindMarks);
}
