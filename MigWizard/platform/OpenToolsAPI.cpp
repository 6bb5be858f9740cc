#include "platform/OpenToolsAPI.h"

namespace migwiz::platform {

IBorlandIDEServices* BorlandIDEServices = nullptr;
IOTAApplication* Application = nullptr;

namespace {

// The item named name and the list that holds it.
bool Locate(TMenuItem& parent, const std::string& name, TMenuItem*& item,
            std::vector<std::unique_ptr<TMenuItem>>*& list, size_t& index) {
  for (size_t i = 0; i < parent.Items.size(); ++i) {
    if (parent.Items[i]->Name == name) {
      item = parent.Items[i].get();
      list = &parent.Items;
      index = i;
      return true;
    }
    if (Locate(*parent.Items[i], name, item, list, index)) return true;
  }
  return false;
}

}  // namespace

TMenuItem* TMenuModel::FindItem(const std::string& name) {
  TMenuItem* item = nullptr;
  std::vector<std::unique_ptr<TMenuItem>>* list = nullptr;
  size_t index = 0;
  return Locate(root_, name, item, list, index) ? item : nullptr;
}

std::vector<TMenuItemInfo> TMenuModel::MainMenuItems() {
  std::vector<TMenuItemInfo> out;
  for (const auto& item : root_.Items) out.push_back({item->Name, item->Caption});
  return out;
}

bool TMenuModel::SetMenuItemCaption(const std::string& name, const std::string& caption) {
  TMenuItem* item = FindItem(name);
  if (!item) return false;
  item->Caption = caption;
  return true;
}

bool TMenuModel::InsertMenuItem(std::unique_ptr<TMenuItem> item, const std::string& target,
                                bool insertAfter, bool insertAsChild) {
  TMenuItem* found = nullptr;
  std::vector<std::unique_ptr<TMenuItem>>* list = nullptr;
  size_t index = 0;
  if (!Locate(root_, target, found, list, index)) {
    if (!target.empty()) return false;
    root_.Items.push_back(std::move(item));
    return true;
  }
  if (insertAsChild) {
    found->Items.push_back(std::move(item));
  } else {
    list->insert(list->begin() + static_cast<long>(index + (insertAfter ? 1 : 0)), std::move(item));
  }
  return true;
}

}  // namespace migwiz::platform

#include "platform/ProductMenu.h"

namespace migwiz::platform {

std::string RemoveAmpersands(const std::string& caption) {
  std::string out;
  for (size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] != '&') {
      out.push_back(caption[i]);
    } else if (i + 1 < caption.size() && caption[i + 1] == '&') {
      out.push_back('&');
      ++i;
    }
  }
  return out;
}

}  // namespace migwiz::platform
