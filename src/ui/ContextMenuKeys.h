#pragma once

class QAbstractItemView;

// The keyboard's way to a list's context menu: the Menu key and Shift+F10 open it for the current
// row, under that row, as a right click opens it under the pointer. The view must offer its menu
// through customContextMenuRequested.
namespace ContextMenuKeys {

void install(QAbstractItemView& view);

} // namespace ContextMenuKeys
