#pragma once

// What assistive technology (a screen reader, through Qt's accessibility interface) is told of
// the program's own kinds of widget, where Qt would tell it too little:
// - a plain widget shown as a window of its own is a window named by its caption (Qt presents
//   it as an unnamed pane);
// - a UniformListView is a list of its rows, each row an item with its text (and the model's
//   AccessibleDescriptionRole as its description), the current row focused (Qt knows nothing
//   of its rows);
// - a drop-down is named by its accessible name or caption, its text being its value (Qt on
//   Linux names it by its text).

namespace pos {

// Registers the accessible interfaces above with Qt. Runs once; later calls do nothing.
void installAccessibleInterfaces();

} // namespace pos
