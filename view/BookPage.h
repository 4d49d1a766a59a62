#pragma once

#include "view/PageOutline.h"
#include "view/RequestLoader.h"

#include <QString>

#include <memory>

class Hyphenator;
class PageView;

// Shows a work's page in view with its words broken for the book page: the
// first screenful at once, the rest on two threads once that is painted (a
// long work's first lines come as quickly as they would whole).
void showBookPage(PageView *view, const std::shared_ptr<const Hyphenator> &hyphenator, const QString &html,
                  const PageOutline &outline, const ReadingPlace &place);
