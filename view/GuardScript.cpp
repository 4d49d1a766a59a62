#include "view/GuardScript.h"

using namespace Qt::Literals::StringLiterals;

QString guardScript(bool selectionAllowed, const QString &linkToken)
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
    g.keyDown = function (e) {
      if (e.key === 'Enter' && linkOf(e) === null && mayReachHidden(e)) e.preventDefault();
    };
    g.focusIn = function (e) {
      if (e.target !== document.body && e.target !== document.documentElement) console.log('%2focused');
    };
    // Where the reader is in the page, said as it changes (the engine calls
    // this at most once a frame): the engine's own scroll reports do not
    // come from every renderer, and no timer of ours runs in a page whose
    // scripts are off.
    g.scrolled = -1;
    g.scroll = function (e) {
      if (e.target !== document) return;
      var range = document.documentElement.scrollHeight - innerHeight;
      var at = range > 1 ? Math.min(Math.max(scrollY / range, 0), 1) : 0;
      if (at !== g.scrolled) console.log('%2scrolled:' + (g.scrolled = at));
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
    g.install = function () {
      if (g.focusStyle && document.adoptedStyleSheets.indexOf(g.focusStyle) < 0)
        document.adoptedStyleSheets = document.adoptedStyleSheets.concat([g.focusStyle]);
      document.addEventListener('selectstart', g.selectStart, true);
      document.addEventListener('mousedown', g.mouseDown, true);
      document.addEventListener('select', g.select, true);
      document.addEventListener('click', g.click, true);
      document.addEventListener('auxclick', g.click, true);
      document.addEventListener('submit', g.submit, true);
      document.addEventListener('focusin', g.focusIn, true);
      document.addEventListener('scroll', g.scroll, {capture: true, passive: true});
      window.addEventListener('load', g.load, true);
      document.addEventListener('keydown', g.keyDown, true);
    };
  }
  g.selectionAllowed = %1;
  g.install();
})();)JS"_s.arg(selectionAllowed ? u"true"_s : u"false"_s, linkToken);
}
