// The context menu of the single-mode result panel (PanelEinzel), with its one
// entry "Zielpreis…". It opens by a right click on the panel, and by the Menu
// key or Shift+F10 wherever the focus is in the window, as long as the panel
// is shown (in extended mode the keys stay with the focused control).
#pragma once

#include <functional>

class QMenu;
class QWidget;

namespace fapkalk {

// Attaches the menu to panel; the entry runs openTarget. Returns the menu
// (owned by the panel); its entry is the action named "miZielpreis".
QMenu* AttachResultPanelMenu(QWidget* panel, std::function<void()> openTarget);

} // namespace fapkalk
