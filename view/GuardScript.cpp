#include "view/GuardScript.h"

using namespace Qt::Literals::StringLiterals;

QString guardScript(bool selectionAllowed, const QString &linkToken)
{
    // One set of handlers per window, so running the script again only
    // updates the setting and puts any dropped listeners back.
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
      var path = e.composedPath(), a = null;
      for (var i = 0; i < path.length && !a; ++i) {
        var n = path[i];
        if (n.nodeType === 1 && (n.localName === 'a' || n.localName === 'area') && n.hasAttribute('href')) a = n;
      }
      if (!a) return;
      var href = a.href, valid = true;
      try { new URL(href); } catch (x) { valid = false; }
      if (valid && href.slice(0, 6).toLowerCase() !== 'about:') return;
      e.preventDefault();
      if (!valid && href.slice(0, 4) === 'http') console.log('%2' + href);
    };
    g.install = function () {
      document.addEventListener('selectstart', g.selectStart, true);
      document.addEventListener('mousedown', g.mouseDown, true);
      document.addEventListener('select', g.select, true);
      document.addEventListener('click', g.click, true);
      document.addEventListener('auxclick', g.click, true);
    };
    new MutationObserver(g.install).observe(document, {childList: true});
  }
  g.selectionAllowed = %1;
  g.install();
})();)JS"_s.arg(selectionAllowed ? u"true"_s : u"false"_s, linkToken);
}
