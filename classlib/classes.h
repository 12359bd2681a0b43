// The component model: ownership, free notification, loading state and published
// properties that a form description sets.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace classlib {

class TObject {
public:
  virtual ~TObject() = default;
};

using TNotifyEvent = std::function<void(TObject* Sender)>;

enum class TOperation { opInsert, opRemove };

class FormReader;
class Published;
struct PropertyValue;

class TComponent : public TObject {
public:
  explicit TComponent(TComponent* AOwner);
  ~TComponent() override;
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  virtual const char* ClassName() const = 0;

  TComponent* Owner() const { return FOwner; }
  const std::string& Name() const { return FName; }
  void SetName(std::string name) { FName = std::move(name); }
  const std::vector<TComponent*>& Components() const { return FComponents; }

  bool Designing() const { return FDesigning; }
  bool Loading() const { return FLoading; }
  bool Destroying() const { return FDestroying; }

  // `AComponent` is told through Notification when this component goes away.
  void FreeNotification(TComponent* AComponent);

  // Called once the form description holding this component has been read.
  virtual void Loaded();
  // Insertion into and removal from the owner, and free notifications. A removed
  // component may already be half destroyed: compare it, never inspect its type.
  virtual void Notification(TComponent* AComponent, TOperation Operation);

  // Sets the published property `name`; false when this class has no such property.
  virtual bool SetProperty(std::string_view name, const PropertyValue& value, FormReader& reader);

  // Fields and handler methods a form description can name (forms override this).
  virtual void Publish(Published& published);

  // A description nests this component inside `parent` (a control's parent window,
  // a menu item's menu).
  virtual void SetParentComponent(TComponent* parent);

  int Tag = 0;

protected:
  void MarkDestroying();
  void DestroyComponents();

private:
  friend class FormReader;
  void InsertComponent(TComponent* AComponent);
  void RemoveComponent(TComponent* AComponent);
  void RemoveFreeNotification(TComponent* AComponent);

  TComponent* FOwner = nullptr;
  std::string FName;
  std::vector<TComponent*> FComponents;
  std::vector<TComponent*> FFreeNotifies;
  bool FDesigning = false;
  bool FLoading = false;
  bool FDestroying = false;
};

} // namespace classlib
