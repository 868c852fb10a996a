#include "ui/Menu.h"

#include <utility>

namespace velmora::ui {

void Menu::appendItem(std::uint32_t command, const std::string& label, bool newColumn, bool checked) {
  MenuItem item;
  item.command = command;
  item.label = label;
  item.newColumn = newColumn;
  item.checked = checked;
  items.push_back(std::move(item));
}

void Menu::setDefaultItem(std::uint32_t command) {
  for (MenuItem& item : items) item.isDefault = item.command == command && !item.separator;
}

void Menu::add(std::uint32_t command, const std::string& label, bool grayed) {
  appendItem(command, label, false, false);
  items.back().grayed = grayed;
}

void Menu::separator() {
  MenuItem item;
  item.separator = true;
  items.push_back(std::move(item));
}

void Menu::addSubmenu(const std::string& label, Menu sub) {
  MenuItem item;
  item.label = label;
  item.submenu = std::move(sub.items);
  items.push_back(std::move(item));
}

}  // namespace velmora::ui
