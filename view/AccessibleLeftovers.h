#pragma once

class QObject;

// The engine gives every node of a page's tree for assistive technology a
// QObject of its own, hung under the browser widget, and never deletes it
// when the node goes: tens of thousands for a long work, each time it is
// shown, for as long as the reader runs. Deletes those of the browser's
// plain children none of whose nodes are there any more; returns how many
// objects went.
int dropAccessibleLeftovers(QObject *browser);
