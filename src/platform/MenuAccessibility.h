#pragma once

// Puts every menu of the program in the accessibility tree, so a screen
// reader (and a test that drives the program as one does) reaches each item
// by its caption, with its enabled state and shortcut:
// - a tool button's drop-down menu becomes the button's child whatever the
//   button's pop-up mode (the toolkit shows it only under split buttons);
// - an open context menu (a pop-up with no menu bar, menu or tool button
//   above it) becomes a child of the application, as top-level windows are.
// Call once, after the QApplication exists and before any window is shown:
// an accessible interface, once made, is kept for the life of its widget.
void installMenuAccessibility();
