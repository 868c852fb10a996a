// The list controls the engine fills for the user interface: the standard combo box and the
// panel's flat combo box that choose the note-name set, and a slice's popup menu of instrument
// notes. The window layer implements them over its own controls. [main-thread]
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace velmora {

class ComboBox {
 public:
  virtual ~ComboBox() = default;
  // Removes every item.
  virtual void resetContent() = 0;
  virtual void addString(const std::string& text) = 0;
  // Selects the item at `index` in the order added; -1 selects none.
  virtual void setCurSel(int index) = 0;
  // The selected item's text; false when none is selected.
  virtual bool selectedText(std::string& text) const = 0;
};

class FlatComboBox {
 public:
  virtual ~FlatComboBox() = default;
  // Replaces the items.
  virtual void setItems(const std::vector<std::string>& items) = 0;
  // Selects the item at `index`; -1 selects none.
  virtual void select(int index) = 0;
  // The selected item's text; false when none is selected.
  virtual bool selectedText(std::string& text) const = 0;
};

class PopupMenu {
 public:
  virtual ~PopupMenu() = default;
  // Appends an item that sends `command`; with `newColumn` it starts a new column, with
  // `checked` it carries a check mark.
  virtual void appendItem(std::uint32_t command, const std::string& label, bool newColumn, bool checked) = 0;
  // Shows the item of `command` as the menu's default item.
  virtual void setDefaultItem(std::uint32_t command) = 0;
};

}  // namespace velmora
