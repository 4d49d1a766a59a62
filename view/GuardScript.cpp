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
    var linkOf = function (e) {
      var path = e.composedPath();
      for (var i = 0; i < path.length; ++i) {
        var n = path[i];
        if (n.nodeType === 1 && (n.localName === 'a' || n.localName === 'area') && n.hasAttribute('href')) return n;
      }
      return null;
    };
    var inThisDocument = function (href) {
      var here = location.href.split('#')[0];
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
    g.click = function (e) {
      var a = linkOf(e);
      if (!a) return;
      var href = typeof a.href === 'string' ? a.href : '';
      if (e.type === 'click' && inThisDocument(href)) return;
      e.preventDefault();
      if (e.type === 'click' && href.slice(0, 4) === 'http') console.log('%2' + href);
    };
    g.submit = function (e) { e.preventDefault(); };
    g.focusIn = function (e) {
      if (e.target !== document.body && e.target !== document.documentElement) console.log('%2focused');
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
      window.addEventListener('load', g.load, true);
    };
  }
  g.selectionAllowed = %1;
  g.install();
})();)JS"_s.arg(selectionAllowed ? u"true"_s : u"false"_s, linkToken);
}
