#pragma once
// Components: parts owned by another component (a form owns its controls, timers, menus and
// non-visual helpers). The owner destroys what it owns, newest first. Once the owner's
// construction is complete every owned component hears LoadingFinished().

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class TComponent;

// An event with the component that raised it as sender.
using TNotifyEvent = std::function<void(TComponent* sender)>;

enum class TOperation { opInsert, opRemove };

class TComponent {
 public:
  explicit TComponent(TComponent* owner);
  virtual ~TComponent();
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  TComponent* Owner() const { return owner_; }
  const std::vector<TComponent*>& Components() const { return components_; }

  std::string Name;
  intptr_t Tag = 0;

  // Runs LoadingFinished on every owned component (in creation order, depth first) and then
  // on this one. Called once, when the owner's construction is complete.
  void FinishLoading();

  // Asks to hear (through Notification) when `other` is destroyed.
  void FreeNotification(TComponent* other);
  void RemoveFreeNotification(TComponent* other);

  bool Loading() const { return loading_; }

 protected:
  // Called once the owner's stored design has been assigned.
  virtual void LoadingFinished() {}
  // A component this one owns or asked about (FreeNotification) is going away.
  virtual void Notification(TComponent* component, TOperation operation);
  // Destroys every owned component now, newest first. A class whose destructor releases
  // something its components still use (a window) calls this first.
  void DestroyComponents();

 private:
  void InsertComponent(TComponent* c);
  void RemoveComponent(TComponent* c);

  TComponent* owner_;
  std::vector<TComponent*> components_;
  std::vector<TComponent*> free_notifies_;
  bool loading_ = true;
};
