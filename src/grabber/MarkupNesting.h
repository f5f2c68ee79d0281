#pragma once

#include <QByteArrayView>

// How deep an HTML page nests its elements, estimated in one linear pass
// before the page reaches the HTML parser. The parser checks scopes by
// walking its stack of open elements, so a page nested thousands deep costs
// it time quadratic in its size; a page past the limit is not parsed at all.
//
// The estimate follows the tree builder's rules where they close elements
// (end tags, p, li, dd/dt, option, headings, table rows and cells, formatting
// elements reopened later, foreign content left by an HTML tag) and errs
// high everywhere else, so the pages people write stay far below the limit
// while every shape that nests deep is seen as deep.
//
// Returns the deepest nesting reached, or a value above `limit` as soon as
// the limit is passed. Pure function; any thread.
int markupNesting(QByteArrayView page, int limit);
