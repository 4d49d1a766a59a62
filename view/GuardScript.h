#pragma once

#include <QString>

// The script that turns a document into a plain reading surface. It runs in
// the application world, where page scripts neither see nor undo it, on
// every document: at its creation, and after every write.
//
// - No selection unless selectionAllowed: selectstart is cancelled, and text
//   fields (which selectstart does not cover) take no press and keep no
//   selection.
// - A click on a link the engine cannot navigate to (an address that is not
//   a valid URL, whose click would empty the view) or on an about: link is
//   cancelled; when the address begins with "http" it is reported on the
//   console as linkToken followed by the address, so the view can follow it.
// - A document that rewrites itself (document.open drops every listener)
//   gets the listeners back at once.
[[nodiscard]] QString guardScript(bool selectionAllowed, const QString &linkToken);
