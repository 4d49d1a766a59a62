#include "view/GuardScript.h"

using namespace Qt::Literals::StringLiterals;

QString guardScript(bool selectionAllowed, const QString &linkToken, const QString &style)
{
    // One set of handlers per window, so running the script again only
    // updates the setting and puts back the listeners document.open() drops.
    return uR"JS((function () {
  var g = window.__sobranieGuards;
  if (!g) {
    g = window.__sobranieGuards = {};
    var isTextField = function (n) {
      if (!n || n.nodeType !== 1) return false;
      if (n.isContentEditable || n.localName === 'textarea') return true;
      return n.localName === 'input' &&
          !/^(button|submit|reset|checkbox|radio|image|file|color|range|hidden)$/i.test(n.type);
    };
    // The address a link is written with: an HTML link's href, an SVG
    // link's href or else its xlink:href; null for anything else.
    var writtenHref = function (n) {
      if (n.nodeType !== 1) return null;
      if (n.namespaceURI === 'http://www.w3.org/2000/svg' && n.localName === 'a') {
        if (n.hasAttribute('href')) return n.getAttribute('href');
        return n.getAttributeNS('http://www.w3.org/1999/xlink', 'href');
      }
      if (n.namespaceURI === 'http://www.w3.org/1999/xhtml' && (n.localName === 'a' || n.localName === 'area'))
        return n.getAttribute('href');
      return null;
    };
    // The link clicked and where it leads, against the document itself: a
    // <base> of the page's own sends no relative link elsewhere.
    var linkOf = function (e) {
      var path = e.composedPath();
      for (var i = 0; i < path.length; ++i) {
        var written = writtenHref(path[i]);
        if (written === null) continue;
        try { return new URL(written, document.URL).href; } catch (x) { return written; }
      }
      return null;
    };
    var inThisDocument = function (href) {
      var here = document.URL.split('#')[0];
      return href.length > here.length && href.slice(0, here.length + 1) === here + '#';
    };
    g.selectStart = function (e) { if (!g.selectionAllowed) e.preventDefault(); };
    g.mouseDown = function (e) {
      if (!g.selectionAllowed && isTextField(e.target)) e.preventDefault();
    };
    g.select = function (e) {
      var t = e.target;
      if (g.selectionAllowed || !t || typeof t.setSelectionRange !== 'function') return;
      try { t.setSelectionRange(t.selectionEnd, t.selectionEnd); } catch (x) {}
    };
    // A closed shadow root hides what is in it from every script, these
    // handlers' too: an activation there may follow a link or send a form
    // unseen. An element of the page's own that acts on a click (a field,
    // a button, a label, a summary) is the one activated; otherwise any
    // element that may hold such a root may pass it on, and it does nothing.
    var mayHostShadow = /^(article|aside|blockquote|body|div|footer|h[1-6]|header|main|nav|p|section|span|[a-z][^-]*-.*)$/;
    var actsOnClick = /^(input|select|textarea|button|label|summary|option|optgroup)$/;
    var mayReachHidden = function (e) {
      var path = e.composedPath();
      for (var i = 0; i < path.length; ++i) {
        var n = path[i];
        if (n.nodeType !== 1 || n.namespaceURI !== 'http://www.w3.org/1999/xhtml') continue;
        if (actsOnClick.test(n.localName)) return false;
        if (!n.shadowRoot && mayHostShadow.test(n.localName)) return true;
      }
      return false;
    };
    g.click = function (e) {
      var href = linkOf(e);
      if (href === null) {
        if (e.type === 'click' && mayReachHidden(e)) e.preventDefault();
        return;
      }
      if (e.type === 'click' && inThisDocument(href)) {
        // A place in this document: the engine goes there itself, unless
        // the page's own <base> would send it elsewhere.
        if (document.baseURI === document.URL) return;
        e.preventDefault();
        location.hash = href.slice(href.indexOf('#'));
        return;
      }
      e.preventDefault();
      if (e.type === 'click' && href.slice(0, 4) === 'http') console.log('%2' + href);
    };
    g.submit = function (e) { e.preventDefault(); };
    // What Tab reaches on the page, in document order.
    var tabStops = function () {
      var all = document.querySelectorAll('a[href], area[href], button, input, select, textarea, summary, iframe, ' +
          '[tabindex], [contenteditable]');
      return Array.prototype.filter.call(all, function (n) {
        return n.tabIndex >= 0 && !n.disabled && !(n.localName === 'input' && n.type === 'hidden') &&
            n.getClientRects().length > 0;
      });
    };
    g.keyDown = function (e) {
      g.userMoves();
      if (e.key === 'Enter' && linkOf(e) === null && mayReachHidden(e)) e.preventDefault();
      // Tab goes round the page's own stops: past the last it would stop
      // on the view itself, where nothing shows.
      if (e.key === 'Tab' && !e.altKey && !e.ctrlKey && !e.metaKey) {
        var stops = tabStops(), here = document.activeElement;
        if (!stops.length) return;
        if (!e.shiftKey && here === stops[stops.length - 1]) {
          e.preventDefault();
          stops[0].focus();
        } else if (e.shiftKey && (here === stops[0] || here === document.body || !here)) {
          e.preventDefault();
          stops[stops.length - 1].focus();
        }
      }
    };
    g.focusIn = function (e) {
      if (e.target === document.body || e.target === document.documentElement) return;
      console.log('%2focused');
      // Until the reader moves on by other means, the page is where the
      // focus took it, not where the reader read to (Tab to the link back
      // at the top of a work must not lose the place in it).
      g.focusMoved = true;
    };
    g.userMoves = function () { g.focusMoved = false; };
    // The page's text, for places in it: its text nodes under the body in
    // order, but for those of elements whose content is never shown as text,
    // each with whether a line ends before it (a <br>, or another block).
    // Built when first asked for; whatever changes the nodes (the writing of
    // the page) drops it.
    var Xhtml = 'http://www.w3.org/1999/xhtml';
    var NoText = /^(script|style|title|textarea|select|option|optgroup|datalist|template|iframe|noembed|noframes)$/;
    g.idx = null;
    g.index = function () {
      if (g.idx && g.idx.body === document.body) return g.idx;
      var nodes = [], starts = [], lens = [], softs = [], breaks = [], length = 0, lineEnded = false, lastBlock = null;
      var blocks = new Map();
      var blockOf = function (el) {
        for (var e = el; e && e !== document.body; e = e.parentElement) {
          var block = blocks.get(e);
          if (block === undefined) {
            block = !/^(inline|contents|none|ruby)/.test(getComputedStyle(e).display);
            blocks.set(e, block);
          }
          if (block) return e;
        }
        return document.body;
      };
      var filter = { acceptNode: function (n) {
        if (n.nodeType === 3) return NodeFilter.FILTER_ACCEPT;
        if (n.namespaceURI !== Xhtml || NoText.test(n.localName)) return NodeFilter.FILTER_REJECT;
        if (n.localName === 'br') lineEnded = true;
        return NodeFilter.FILTER_SKIP;
      } };
      if (document.body) {
        var walker = document.createTreeWalker(document.body, NodeFilter.SHOW_ELEMENT | NodeFilter.SHOW_TEXT, filter);
        for (var n; (n = walker.nextNode());) {
          if (!n.data.length) continue;
          var block = blockOf(n.parentElement);
          breaks.push(lineEnded || (lastBlock !== null && block !== lastBlock));
          lineEnded = false;
          lastBlock = block;
          // Soft hyphens the book page puts in are no part of the text: a
          // place is the same with them or without.
          var soft = n.data.indexOf('\u00ad') >= 0, len = soft ? n.data.replace(/\u00ad/g, '').length : n.data.length;
          nodes.push(n);
          starts.push(length);
          lens.push(len);
          softs.push(soft);
          length += len;
        }
      }
      return (g.idx = { body: document.body, nodes: nodes, starts: starts, lens: lens, softs: softs, breaks: breaks,
                        length: length });
    };
    // Within node k of the index: the offset in its text (soft hyphens left
    // out) of a unit, and the unit of an offset.
    g.toOffset = function (k, unit) {
      var idx = g.index();
      if (!idx.softs[k]) return unit;
      var data = idx.nodes[k].data, offset = 0;
      for (var u = 0; u < unit && u < data.length; ++u) if (data.charCodeAt(u) !== 0xad) ++offset;
      return offset;
    };
    g.toUnit = function (k, offset) {
      var idx = g.index();
      if (!idx.softs[k]) return offset;
      var data = idx.nodes[k].data, u = 0;
      for (var seen = 0; u < data.length; ++u) {
        if (data.charCodeAt(u) === 0xad) continue;
        if (seen++ === offset) break;
      }
      return u;
    };
    // A test of whether a text node's text is on screen: laid out, not
    // hidden, and not skipped (a closed details keeps all but its summary
    // laid out unpainted, a shadow tree may leave its host's text out).
    g.visibility = function () {
      var shownCache = new Map(), paintedCache = new Map(), probe = document.createRange();
      var closedDetailsHides = function (details, child) {
        return details.localName === 'details' && !details.open &&
            !(child && child.localName === 'summary' && child === details.querySelector(':scope > summary'));
      };
      var painted = function (el) {
        var v = paintedCache.get(el);
        if (v !== undefined) return v;
        var parent = el.parentElement;
        v = getComputedStyle(el).contentVisibility !== 'hidden' &&
            (!parent || (painted(parent) && !closedDetailsHides(parent, el)));
        paintedCache.set(el, v);
        return v;
      };
      var shown = function (el) {
        var v = shownCache.get(el);
        if (v !== undefined) return v;
        var style = getComputedStyle(el);
        if (style.visibility !== 'visible' || !painted(el)) v = false;
        else if (el.getClientRects().length > 0) v = true;
        else if (style.display === 'contents') v = !el.parentElement || shown(el.parentElement);
        else v = false;
        shownCache.set(el, v);
        return v;
      };
      return function (n) {
        var p = n.parentElement;
        if (!p || !shown(p) || closedDetailsHides(p, null)) return false;
        if (p.shadowRoot || p.localName.indexOf('-') > 0) {
          probe.selectNodeContents(n);
          return probe.getClientRects().length > 0;
        }
        return true;
      };
    };
    // The page's text as a screen reader reads it: what is shown, a line end
    // where a line ends, blanks that only separate tags left out, every other
    // white space a blank (one for one, so a place maps to it by adding).
    g.readText = function () {
      var idx = g.index(), visible = g.visibility(), parts = [], acc = 0, lineEnded = false;
      var readStarts = new Array(idx.nodes.length);
      for (var k = 0; k < idx.nodes.length; ++k) {
        var n = idx.nodes[k];
        lineEnded = lineEnded || idx.breaks[k];
        if (!visible(n) || /^[ \t\n\r\f]*$/.test(n.data)) {
          readStarts[k] = -1;
          continue;
        }
        if (lineEnded && acc > 0) {
          parts.push('\n');
          ++acc;
        }
        lineEnded = false;
        readStarts[k] = acc;
        parts.push(n.data.replace(/\u00ad/g, '').replace(/[\t\n\r\f]/g, ' '));
        acc += idx.lens[k];
      }
      idx.readStarts = readStarts;
      return parts.join('');
    };
    // Where a place of the page is in the text read (at the next text read
    // for a place in text that is not); -1 before the text is read.
    g.readOffset = function (offset) {
      var idx = g.idx;
      if (!idx || !idx.readStarts || !idx.nodes.length) return -1;
      var k = Math.max(nodeOf(idx, offset), 0);
      if (idx.readStarts[k] >= 0)
        return idx.readStarts[k] + Math.min(Math.max(offset - idx.starts[k], 0), idx.lens[k]);
      for (; k < idx.nodes.length; ++k) if (idx.readStarts[k] >= 0) return idx.readStarts[k];
      return -1;
    };
    // The place of an offset in the text read.
    g.placeOfRead = function (read) {
      var idx = g.idx;
      if (!idx || !idx.readStarts) return -1;
      var best = -1;
      for (var lo = 0, hi = idx.nodes.length - 1; lo <= hi;) {
        var mid = (lo + hi) >> 1, k = mid;
        while (k <= hi && idx.readStarts[k] < 0) ++k;
        if (k > hi) { hi = mid - 1; continue; }
        if (idx.readStarts[k] <= read) { best = k; lo = k + 1; } else hi = mid - 1;
      }
      if (best < 0) return 0;
      return idx.starts[best] + Math.min(read - idx.readStarts[best], idx.lens[best]);
    };
    var nodeOf = function (idx, offset) {
      var lo = 0, hi = idx.nodes.length - 1;
      while (lo < hi) {
        var mid = (lo + hi + 1) >> 1;
        if (idx.starts[mid] <= offset) lo = mid; else hi = mid - 1;
      }
      return lo;
    };
    var range = null;
    // Where units [from, to) of a text node are on screen; null where they
    // take no room (collapsed blanks, hidden text).
    var rectOf = function (node, from, to) {
      range = range || document.createRange();
      range.setStart(node, from);
      range.setEnd(node, to);
      var r = range.getBoundingClientRect();
      return r.width || r.height ? r : null;
    };
    // The first of a few units from (node k, unit u) on that takes room.
    var shownFrom = function (idx, k, u) {
      for (var tries = 0; k < idx.nodes.length && tries < 64; ++k, u = 0) {
        var node = idx.nodes[k];
        for (; u < node.data.length && tries < 64; ++u, ++tries) {
          var r = rectOf(node, u, u + 1);
          if (r) return { k: k, u: u, rect: r };
        }
      }
      return null;
    };
    // The place at the top of the screen: the offset in the page's text of
    // the first unit whose line reaches below the top edge.
    g.placeAt = function () {
      if (scrollY <= 0) return 0;
      var idx = g.index(), below = function (k, u) {
        var at = shownFrom(idx, k, u);
        return at !== null && at.rect.bottom > 0;
      };
      var lo = 0, hi = idx.nodes.length;
      while (lo < hi) {
        var mid = (lo + hi) >> 1;
        if (below(mid, 0)) hi = mid; else lo = mid + 1;
      }
      if (lo >= idx.nodes.length) return idx.length;
      // Within the node before the first that is below: its units.
      var k = lo > 0 ? lo - 1 : 0, node = idx.nodes[k], a = 0, b = node.data.length;
      if (!below(k, node.data.length - 1)) return idx.starts[lo];
      while (a < b) {
        var m = (a + b) >> 1;
        if (below(k, m)) b = m; else a = m + 1;
      }
      return idx.starts[k] + g.toOffset(k, a);
    };
    // Where the line of a place is on screen.
    var lineOf = function (offset) {
      var idx = g.index();
      if (!idx.nodes.length) return null;
      var lo = nodeOf(idx, offset);
      var at = shownFrom(idx, lo, g.toUnit(lo, Math.min(Math.max(offset - idx.starts[lo], 0), idx.lens[lo])));
      return at && at.rect;
    };
    // The place kept: where the reader last moved to (and how far into its
    // line the top of the screen was), and the scroll that shows it now. A
    // change of size or layout brings that place back.
    g.kept = null;
    g.goTo = function (offset, fraction, into) {
      into = into || 0;
      // A place past the text (of a page that is shorter now) is its end.
      var line = offset > 0 ? lineOf(offset) : null, end = document.documentElement.scrollHeight;
      var y = offset > 0 ? (line ? scrollY + line.top + into * line.height : end)
                         : offset === 0 ? 0 : fraction * (end - innerHeight);
      window.scrollTo(0, y);
      g.kept = offset >= 0 ? { offset: offset, into: into, y: scrollY } : null;
    };
    g.resize = function () {
      if (g.kept) g.goTo(g.kept.offset, 0, g.kept.into);
    };
    // Where the reader is in the page, said as it changes (the engine calls
    // this at most once a frame): the engine's own scroll reports do not
    // come from every renderer, and no timer of ours runs in a page whose
    // scripts are off. A scroll of the view's own keeps the place it went to.
    g.scrolled = null;
    g.scroll = function (e) {
      if (e.target !== document) return;
      var height = document.documentElement.scrollHeight - innerHeight;
      var at = height > 1 ? Math.min(Math.max(scrollY / height, 0), 1) : 0;
      if (!g.kept || Math.abs(scrollY - g.kept.y) >= 1) {
        var offset = g.placeAt(), line = offset > 0 ? lineOf(offset) : null;
        g.kept = { offset: offset, into: line && line.height ? Math.min(Math.max(-line.top / line.height, 0), 1) : 0,
                   y: scrollY };
      }
      var place = g.kept.offset;
      var held = g.caretHeldAt !== undefined && Math.abs(scrollY - g.caretHeldAt) < 1;
      if (!held) g.caretHeldAt = undefined;
      var report = at + ':' + place + ':' + (held ? -1 : g.readOffset(place)) + (g.focusMoved ? ':focus' : '');
      if (report !== g.scrolled) console.log('%2scrolled:' + (g.scrolled = report));
    };
    g.load = function () {
      var metas = document.getElementsByTagName('meta');
      for (var i = 0; i < metas.length; ++i) {
        if ((metas[i].httpEquiv || '').trim().toLowerCase() === 'refresh') { window.stop(); return; }
      }
    };
    // The mark on the element the keyboard is on, plain against the page
    // (a dark ring inside a white one), whatever the page's own style says.
    g.focusStyle = (function () {
      try {
        var sheet = new CSSStyleSheet();
        sheet.replaceSync(':focus-visible:not(html):not(body){outline:2px solid #00008b !important;' +
            'outline-offset:1px !important;box-shadow:0 0 0 1px #fff !important;}');
        return sheet;
      } catch (x) { return null; }
    })();
    // The reader's own style over the page (its theme, and for a work its
    // font and book page), after the focus mark so that a theme's mark wins.
    g.kind = 'other';
    g.readingStyle = (function () { try { return new CSSStyleSheet(); } catch (x) { return null; } })();
    g.applyStyle = function () {
      if (!g.readingStyle) return;
      var p = g.presentation || {};
      g.readingStyle.replaceSync((p.everyPage || '') + (g.kind === 'work' ? (p.works || '') : ''));
      var sheets = document.adoptedStyleSheets.filter(function (s) { return s !== g.readingStyle; });
      document.adoptedStyleSheets = sheets.concat([g.readingStyle]);
    };
    g.setKind = function (kind) {
      g.kind = kind;
      g.applyStyle();
    };
    // A new style, with the place the reader is at kept.
    g.setPresentation = function (presentation) {
      var kept = g.kept;
      g.presentation = presentation;
      g.applyStyle();
      if (kept) g.goTo(kept.offset, 0, kept.into);
      if (window.__sobranieFind) window.__sobranieFind.restyle();
    };
    g.install = function () {
      if (g.focusStyle && document.adoptedStyleSheets.indexOf(g.focusStyle) < 0)
        document.adoptedStyleSheets = document.adoptedStyleSheets.concat([g.focusStyle]);
      g.applyStyle();
      document.addEventListener('selectstart', g.selectStart, true);
      document.addEventListener('mousedown', g.mouseDown, true);
      document.addEventListener('select', g.select, true);
      document.addEventListener('click', g.click, true);
      document.addEventListener('auxclick', g.click, true);
      document.addEventListener('submit', g.submit, true);
      document.addEventListener('focusin', g.focusIn, true);
      document.addEventListener('scroll', g.scroll, {capture: true, passive: true});
      window.addEventListener('resize', g.resize, true);
      g.idx = null;
      window.addEventListener('load', g.load, true);
      document.addEventListener('keydown', g.keyDown, true);
      document.addEventListener('wheel', g.userMoves, {capture: true, passive: true});
      document.addEventListener('mousedown', g.userMoves, true);
    };
  }
  g.selectionAllowed = %1;
  g.presentation = %3;
  g.install();
})();)JS"_s.arg(selectionAllowed ? u"true"_s : u"false"_s, linkToken, style.isEmpty() ? u"{}"_s : style);
}
