#include "classes.h"

#include "formreader.h"

#include <algorithm>

namespace classlib {

namespace {
void Erase(std::vector<TComponent*>& list, TComponent* item) {
  list.erase(std::remove(list.begin(), list.end(), item), list.end());
}
} // namespace

TComponent::TComponent(TComponent* AOwner) {
  if (AOwner) AOwner->InsertComponent(this);
}

TComponent::~TComponent() {
  MarkDestroying();
  // Tell everyone holding a reference first, so nobody is left pointing at us.
  while (!FFreeNotifies.empty()) {
    TComponent* other = FFreeNotifies.back();
    FFreeNotifies.pop_back();
    Erase(other->FFreeNotifies, this);
    other->Notification(this, TOperation::opRemove);
  }
  DestroyComponents();
  if (FOwner) FOwner->RemoveComponent(this);
}

void TComponent::MarkDestroying() {
  if (FDestroying) return;
  FDestroying = true;
  for (TComponent* c : FComponents) c->MarkDestroying();
}

// Last created first; each removal is announced to the remaining owned components.
void TComponent::DestroyComponents() {
  while (!FComponents.empty()) {
    TComponent* c = FComponents.back();
    c->MarkDestroying();
    RemoveComponent(c);
    delete c;
  }
}

void TComponent::InsertComponent(TComponent* AComponent) {
  FComponents.push_back(AComponent);
  AComponent->FOwner = this;
  AComponent->FDesigning = FDesigning;
  Notification(AComponent, TOperation::opInsert);
}

void TComponent::RemoveComponent(TComponent* AComponent) {
  Notification(AComponent, TOperation::opRemove);
  Erase(FComponents, AComponent);
  AComponent->FOwner = nullptr;
}

void TComponent::FreeNotification(TComponent* AComponent) {
  if (!AComponent || AComponent == this) return;
  if (std::find(FFreeNotifies.begin(), FFreeNotifies.end(), AComponent) == FFreeNotifies.end()) {
    FFreeNotifies.push_back(AComponent);
    AComponent->FFreeNotifies.push_back(this);
  }
}

void TComponent::RemoveFreeNotification(TComponent* AComponent) {
  Erase(FFreeNotifies, AComponent);
  Erase(AComponent->FFreeNotifies, this);
}

void TComponent::Loaded() {
  FLoading = false;
}

void TComponent::Notification(TComponent* AComponent, TOperation Operation) {
  if (Operation == TOperation::opRemove && AComponent) RemoveFreeNotification(AComponent);
  // A copy: a component may leave the list while it is told.
  const std::vector<TComponent*> owned = FComponents;
  for (TComponent* c : owned)
    if (c != AComponent) c->Notification(AComponent, Operation);
}

bool TComponent::SetProperty(std::string_view name, const PropertyValue& value, FormReader&) {
  if (name == "Tag") {
    Tag = value.Int();
    return true;
  }
  return false;
}

void TComponent::Publish(Published&) {}

void TComponent::SetParentComponent(TComponent*) {}

} // namespace classlib
