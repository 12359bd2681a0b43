// Popup menus and their items.
#pragma once

#include "classes.h"

#include <string>
#include <vector>

namespace classlib {

class TMenuItem : public TComponent {
public:
  static constexpr const char* StaticClassName = "TMenuItem";
  const char* ClassName() const override { return StaticClassName; }
  explicit TMenuItem(TComponent* AOwner) : TComponent(AOwner) {}
  ~TMenuItem() override;

  std::string Caption;
  TNotifyEvent OnClick;
  bool IsSeparator() const { return Caption == "-"; }

  const std::vector<TMenuItem*>& Items() const { return FItems; }
  void Add(TMenuItem* item);
  void Remove(TMenuItem* item);
  virtual void Click();

  bool SetProperty(std::string_view name, const PropertyValue& value, FormReader& reader) override;
  void SetParentComponent(TComponent* parent) override;

private:
  TMenuItem* FParent = nullptr;
  std::vector<TMenuItem*> FItems;
};

class TPopupMenu : public TComponent {
public:
  static constexpr const char* StaticClassName = "TPopupMenu";
  const char* ClassName() const override { return StaticClassName; }
  explicit TPopupMenu(TComponent* AOwner);
  ~TPopupMenu() override;

  TMenuItem* Items() const { return FItems; }
  bool AutoPopup = true;
  // The control whose right click opened the menu last.
  TComponent* PopupComponent = nullptr;

  // Shows the menu with its top-left corner at the screen point X, Y; an item
  // chosen with either mouse button runs its OnClick before this returns.
  void Popup(int X, int Y);

  bool SetProperty(std::string_view name, const PropertyValue& value, FormReader& reader) override;

private:
  TMenuItem* FItems;
};

} // namespace classlib
