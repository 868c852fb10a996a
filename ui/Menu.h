// A context or popup menu as data: items with command ids, labels (a "\b" right-aligns the key
// name that follows), separators, check marks, greyed items, column breaks and sub-menus. The
// engine fills note menus through its PopupMenu face. [main-thread]
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/ListControls.h"

namespace velmora::ui {

struct MenuItem {
  std::uint32_t command = 0;  // 0 for separators and sub-menus
  std::string label;
  bool separator = false, grayed = false, checked = false, newColumn = false, isDefault = false;
  std::vector<MenuItem> submenu;
};

class Menu : public PopupMenu {
 public:
  void appendItem(std::uint32_t command, const std::string& label, bool newColumn, bool checked) override;
  void setDefaultItem(std::uint32_t command) override;
  void add(std::uint32_t command, const std::string& label, bool grayed = false);
  void separator();
  void addSubmenu(const std::string& label, Menu sub);

  std::vector<MenuItem> items;
};

}  // namespace velmora::ui
