// A list of images (an icon animation's frames), referred to by other components.
#pragma once

#include "classes.h"

namespace classlib {

class TImageList : public TComponent {
public:
  static constexpr const char* StaticClassName = "TImageList";
  const char* ClassName() const override { return StaticClassName; }
  using TComponent::TComponent;
};

} // namespace classlib
